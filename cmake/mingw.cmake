# Cross build of a Windows program with Debian's MinGW-w64 (posix threads), for the
# processor and compiler prefix that the including toolchain file sets:
#   CMAKE_SYSTEM_PROCESSOR, QS_MINGW_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${QS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${QS_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP      ${QS_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${QS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every program of this build is statically linked so that it imports system DLLs only,
# and carries no link time stamp (a time stamp of 0), so that builds are reproducible.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
