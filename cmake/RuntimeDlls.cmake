# Prints the non-system DLLs that DLL needs (directly or through each other), looked up in DIR
# as the loader would: cmake -DDLL=... -DDIR=... [-DOBJDUMP=...] -P RuntimeDlls.cmake
# With OBJDUMP (MinGW, also across from Linux) the imports are read with it; without, CMake's
# own choice (dumpbin with Visual Studio). System DLLs are not in DIR: left out here.
if(OBJDUMP)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")
endif()
file(GET_RUNTIME_DEPENDENCIES LIBRARIES "${DLL}" DIRECTORIES "${DIR}"
     RESOLVED_DEPENDENCIES_VAR found UNRESOLVED_DEPENDENCIES_VAR unresolved
     PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
     POST_EXCLUDE_REGEXES "[/\\\\][Ww][Ii][Nn][Dd][Oo][Ww][Ss][/\\\\]")
# Found beside it means shipped with it; anything else is the system's.
set(beside)
foreach(f IN LISTS found)
  get_filename_component(d "${f}" DIRECTORY)
  get_filename_component(d "${d}" REALPATH)
  get_filename_component(want "${DIR}" REALPATH)
  if(d STREQUAL want)
    list(APPEND beside "${f}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${beside}")
