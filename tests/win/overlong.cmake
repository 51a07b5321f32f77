# The overlong-path test runs the procedures against the installer's package resource.
get_property(package_rc GLOBAL PROPERTY QS_PACKAGE_RC)
target_sources(${TEST_TARGET} PRIVATE ${package_rc})
set_source_files_properties(${package_rc} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/resources/package.bin
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/resources)
add_dependencies(${TEST_TARGET} qs_package)
