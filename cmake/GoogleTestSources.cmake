# GoogleTest built from Debian's sources. Its own sources hold characters that code page
# 932 lacks (the micro sign in <chrono>), so they keep UTF-8 literals.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -fexec-charset=UTF-8)
  endif()
endforeach()
