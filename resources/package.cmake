# The package resource (RCDATA 100 of package.rc): package.bin, built at build time by
# the host package tool from the product files that setup/product.h names
# (QS_PRODUCT_FILE_NAMES, read by the top-level CMakeLists.txt).
#
# Product files: the stand-ins (the program built in product/, every other file
# product/<name>), or, when QS_PRODUCT_DIR names a folder, the files of that folder:
#   cmake ... -DQS_PRODUCT_DIR=/path/to/release   (or scripts/build.sh --product-dir DIR)
#
# The package tool is built natively from this same source tree (QS_HOST_TOOLS_ONLY) in
# <build>/host-tools, since the cross compiler cannot make programs for the build host.

include(ExternalProject)

set(QS_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(QS_PACKTOOL ${QS_HOST_TOOLS_DIR}/tools/qspack)
set(QS_RELEASE_TOOL ${QS_HOST_TOOLS_DIR}/tools/qsrelease PARENT_SCOPE)
set(QS_PACKAGE_BIN ${CMAKE_CURRENT_BINARY_DIR}/package.bin)
set(QS_PACKAGE_RC ${CMAKE_CURRENT_SOURCE_DIR}/package.rc)

# Under make the tool's build joins the parent's job server.
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(host_tools_build $(MAKE) qspack qsrelease)
else()
  set(host_tools_build ${CMAKE_COMMAND} --build <BINARY_DIR> --target qspack qsrelease)
endif()

ExternalProject_Add(qs_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${QS_HOST_TOOLS_DIR}
  PREFIX ${CMAKE_CURRENT_BINARY_DIR}/host-tools-steps
  CMAKE_ARGS
    -DQS_HOST_TOOLS_ONLY=ON
    -DQS_RELEASE_VERSION=${QS_RELEASE_VERSION}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_C_COMPILER=gcc
    -DCMAKE_CXX_COMPILER=g++
  BUILD_COMMAND ${host_tools_build}
  INSTALL_COMMAND ""
  # The tool's own build decides what is out of date.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${QS_PACKTOOL} ${QS_HOST_TOOLS_DIR}/tools/qsrelease)

# The files to package, in directory order.
if(QS_PRODUCT_DIR)
  get_filename_component(product_dir "${QS_PRODUCT_DIR}" ABSOLUTE)
  set(QS_PACKAGED_FILES)
  set(missing)
  foreach(name IN LISTS QS_PRODUCT_FILE_NAMES)
    if(NOT EXISTS "${product_dir}/${name}" OR IS_DIRECTORY "${product_dir}/${name}")
      list(APPEND missing ${name})
    endif()
    list(APPEND QS_PACKAGED_FILES "${product_dir}/${name}")
  endforeach()
  if(missing)
    list(JOIN missing ", " missing_text)
    list(JOIN QS_PRODUCT_FILE_NAMES ", " all_text)
    message(FATAL_ERROR "QS_PRODUCT_DIR is '${QS_PRODUCT_DIR}', but it does not hold "
      "${missing_text}. The folder must hold all of: ${all_text}. "
      "Leave QS_PRODUCT_DIR empty to package the stand-ins.")
  endif()
  set(product_depends ${QS_PACKAGED_FILES})
  message(STATUS "Package: product files from ${product_dir}")
else()
  set(QS_PACKAGED_FILES)
  set(product_depends quillstation_standin)
  foreach(name IN LISTS QS_PRODUCT_FILE_NAMES)
    if(name STREQUAL QS_STANDIN_PROGRAM_NAME)
      list(APPEND QS_PACKAGED_FILES $<TARGET_FILE:quillstation_standin>)
    else()
      list(APPEND QS_PACKAGED_FILES ${QS_STANDIN_DIR}/${name})
      list(APPEND product_depends ${QS_STANDIN_DIR}/${name})
    endif()
  endforeach()
  message(STATUS "Package: stand-in product files")
endif()

add_custom_command(OUTPUT ${QS_PACKAGE_BIN}
  COMMAND ${QS_PACKTOOL} build ${QS_PACKAGE_BIN} ${QS_PACKAGED_FILES}
  DEPENDS qs_host_tools ${QS_PACKTOOL} ${product_depends}
  COMMENT "Packaging the product files into package.bin"
  VERBATIM)
add_custom_target(qs_package DEPENDS ${QS_PACKAGE_BIN})
add_dependencies(qs_resources qs_package)

list(APPEND QS_RESOURCE_SOURCES ${QS_PACKAGE_RC})
# The installer target lives in the top-level directory: its object of package.rc is
# rebuilt (and the installer relinked) whenever package.bin changes.
set_source_files_properties(${QS_PACKAGE_RC} DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTIES
  OBJECT_DEPENDS ${QS_PACKAGE_BIN}
  INCLUDE_DIRECTORIES ${CMAKE_CURRENT_BINARY_DIR})

# The package tool accepts the built installer: directory, bounds, chain and digests.
add_test(NAME package.verify COMMAND ${QS_PACKTOOL} verify $<TARGET_FILE:QuillstationSetup>)
set_tests_properties(package.verify PROPERTIES LABELS package)

set_property(GLOBAL PROPERTY QS_PACKAGE_RC ${QS_PACKAGE_RC})
set_property(GLOBAL PROPERTY QS_PACKAGE_BIN ${QS_PACKAGE_BIN})
set_property(GLOBAL PROPERTY QS_PACKAGED_FILES ${QS_PACKAGED_FILES})

# Gives a Windows test program its own copy of the package resource (so it can read the
# package from its own module) and, as compile definitions, the packaged files and the
# installer as Wine paths: QS_PACKAGED_FILES (in package order, separated by '|'),
# QS_BUILT_INSTALLER, and QS_STANDIN_PROGRAM (the stand-in Quillstation.exe, a module
# without a package). Call it from the directory that defines target.
function(qs_give_package_to_test target)
  get_property(rc GLOBAL PROPERTY QS_PACKAGE_RC)
  get_property(bin GLOBAL PROPERTY QS_PACKAGE_BIN)
  get_property(files GLOBAL PROPERTY QS_PACKAGED_FILES)
  get_filename_component(bin_dir ${bin} DIRECTORY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${bin} INCLUDE_DIRECTORIES ${bin_dir})
  add_dependencies(${target} qs_package QuillstationSetup quillstation_standin)
  # Wine's drive Z: is the root of the host file system.
  list(TRANSFORM files PREPEND "Z:")
  list(JOIN files "|" files_text)
  target_compile_definitions(${target} PRIVATE
    "QS_PACKAGED_FILES=\"${files_text}\""
    "QS_BUILT_INSTALLER=\"Z:$<TARGET_FILE:QuillstationSetup>\""
    "QS_STANDIN_PROGRAM=\"Z:$<TARGET_FILE:quillstation_standin>\"")
endfunction()
