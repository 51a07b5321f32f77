# Writes the winget manifest set for one installer file: its SHA-256 and the release's
# download address go to qsrelease, which takes everything else from the code.
#   cmake -DTOOL=qsrelease -DINSTALLER=file.exe -DOUT=folder [-DURL=address]
#         [-DARCHITECTURE=x86|x64] -P winget.cmake
foreach(required TOOL INSTALLER OUT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "winget.cmake: ${required} is not set")
  endif()
endforeach()
file(SHA256 "${INSTALLER}" digest)
set(url_args)
if(URL)
  set(url_args --url "${URL}")
endif()
if(ARCHITECTURE)
  list(APPEND url_args --architecture "${ARCHITECTURE}")
endif()
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${TOOL}" winget --sha256 ${digest} ${url_args} --out "${OUT}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "winget.cmake: the manifest set for ${INSTALLER} could not be written")
endif()
