# Cross build of the same sources for x86-64: the test vehicle of hosts that run no
# 32-bit programs (a 64-bit process under 64-bit Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QS_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
