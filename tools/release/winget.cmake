# Writes the winget manifest set for one installer file: its SHA-256, its processor (from
# its PE header) and the release's download address go to qsrelease, which takes
# everything else from the code.
#   cmake -DTOOL=qsrelease -DINSTALLER=file.exe -DOUT=folder [-DURL=address] -P winget.cmake
foreach(required TOOL INSTALLER OUT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "winget.cmake: ${required} is not set")
  endif()
endforeach()
file(REMOVE_RECURSE "${OUT}")

# A little-endian number of `size` bytes at `offset` of the installer.
function(read_le offset size out)
  file(READ "${INSTALLER}" bytes OFFSET ${offset} LIMIT ${size} HEX)
  string(REGEX MATCHALL ".." bytes "${bytes}")
  list(REVERSE bytes)
  list(JOIN bytes "" bytes)
  math(EXPR value "0x0${bytes}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()
set(PE_HEADER_OFFSET_AT 60)  # e_lfanew of the DOS header
set(MACHINE_I386 332)        # IMAGE_FILE_MACHINE_I386, 0x14c
set(MACHINE_AMD64 34404)     # IMAGE_FILE_MACHINE_AMD64, 0x8664
read_le(${PE_HEADER_OFFSET_AT} 4 pe_header)
math(EXPR machine_at "${pe_header} + 4")  # past the "PE\0\0" signature
read_le(${machine_at} 2 machine)
if(machine EQUAL MACHINE_I386)
  set(architecture x86)
elseif(machine EQUAL MACHINE_AMD64)
  set(architecture x64)
else()
  message(FATAL_ERROR "winget.cmake: ${INSTALLER} is not an x86 or x64 Windows program")
endif()

file(SHA256 "${INSTALLER}" digest)
set(url_args)
if(URL)
  set(url_args --url "${URL}")
endif()
execute_process(COMMAND "${TOOL}" winget --sha256 ${digest} ${url_args} --architecture ${architecture} --out "${OUT}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "winget.cmake: the manifest set for ${INSTALLER} could not be written")
endif()
