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
    # Size of the installer: optimise product code for size (the hot package sources are
    # raised back to -O3 in the top-level CMakeLists.txt); no unwind tables (nothing throws
    # and nothing unwinds); function sections for --gc-sections. No -fdata-sections: on PE
    # it moves zero-initialised objects out of .bss into file-backed .data$ sections.
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Os>
      -ffunction-sections -fno-asynchronous-unwind-tables -fno-unwind-tables)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  # Reproducible objects: no source or build folder path is written into them (__FILE__,
  # debug information), wherever the tree and the build folder lie. The build folder
  # usually lies inside the tree: its map comes last, so it wins. A fuzzing build keeps
  # the real paths, for the source lines of its crash reports.
  if(NOT QS_FUZZ)
    target_compile_options(${target} PRIVATE
      $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
      $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
  endif()
endfunction()

# Test code: the common warnings, exceptions allowed (GoogleTest uses them).
function(qs_test_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endfunction()

# Tool code (tools/: the package tool, the release tool, the benchmarks): the product's
# warnings as errors; exceptions allowed.
function(qs_tool_target target)
  qs_test_target(${target})
  target_compile_options(${target} PRIVATE ${QS_WARNINGS} -Werror)
endfunction()
