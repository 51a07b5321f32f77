# The procedures test carries the installer's package resource and knows the product
# files it was made from.
get_property(package_rc GLOBAL PROPERTY QS_PACKAGE_RC)
target_sources(${TEST_TARGET} PRIVATE ${package_rc})
set_source_files_properties(${package_rc} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/resources/package.bin
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/resources)
add_dependencies(${TEST_TARGET} qs_package)
if(QS_PRODUCT_DIR)
  set(product_exe ${QS_PRODUCT_DIR}/Quillstation.exe)
  set(product_readme ${QS_PRODUCT_DIR}/readme.txt)
  set(product_firmware ${QS_PRODUCT_DIR}/Quill_Frmw_1.6.0.hex)
else()
  set(product_exe $<TARGET_FILE:quillstation_standin>)
  set(product_readme ${PROJECT_SOURCE_DIR}/product/readme.txt)
  set(product_firmware ${PROJECT_SOURCE_DIR}/product/Quill_Frmw_1.6.0.hex)
endif()
target_compile_definitions(${TEST_TARGET} PRIVATE
  QS_PRODUCT_EXE="${product_exe}" QS_PRODUCT_README="${product_readme}"
  QS_PRODUCT_FIRMWARE="${product_firmware}")
