# Shared compile settings and helper functions for every target of the project.

set(QS_WARNINGS -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wcast-function-type
    -Wnon-virtual-dtor -Wold-style-cast -Wundef)

# Product code: no exceptions, no RTTI, warnings as errors.
function(qs_product_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE ${QS_WARNINGS} -Werror
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  if(WIN32)
    target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Test and tool code: same warnings, exceptions allowed (GoogleTest uses them).
function(qs_test_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endfunction()
