# Prints the non-system DLLs that the DLLs in list DLLS need (directly or through each other),
# looked up in their own folders as the loader would:
#     cmake "-DDLLS=a.dll;b.dll" [-DOBJDUMP=...] -P RuntimeDlls.cmake
# With OBJDUMP (MinGW, also across from Linux) the imports are read with it; without, with
# CMake's own choice (dumpbin with Visual Studio). What is found elsewhere, or not at all, is
# the system's.
cmake_minimum_required(VERSION 3.20)
if(OBJDUMP)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")
endif()
set(dirs)
foreach(dll IN LISTS DLLS)
  get_filename_component(dir "${dll}" DIRECTORY)
  get_filename_component(dir "${dir}" REALPATH)
  list(APPEND dirs "${dir}")
endforeach()
list(REMOVE_DUPLICATES dirs)
file(GET_RUNTIME_DEPENDENCIES LIBRARIES ${DLLS} DIRECTORIES ${dirs}
     RESOLVED_DEPENDENCIES_VAR found UNRESOLVED_DEPENDENCIES_VAR unresolved
     PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-")
set(beside)
foreach(f IN LISTS found)
  get_filename_component(dir "${f}" DIRECTORY)
  get_filename_component(dir "${dir}" REALPATH)
  if(dir IN_LIST dirs)
    list(APPEND beside "${f}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${beside}")
