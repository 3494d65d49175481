# Tests of the Win32 side, run under Wine by CTest (the emulator comes from the toolchain file).
option(KP_TESTS "Build the tests that run under Wine" ON)
if(NOT KP_TESTS)
  return()
endif()

set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
include(cmake/GoogleTestSources.cmake)
include(GoogleTest)

set(KP_TEST_DIR ${CMAKE_BINARY_DIR}/tests)

# Small helper programs of the test environment: a hidden window that keeps Wine warm,
# and the stand-in for the shell's hand-offs (browser, editor, file manager).
add_executable(kp_keepalive WIN32 tests/support/keepalive.cpp)
add_executable(kp_handoff WIN32 tests/support/handoff.cpp)
foreach(t kp_keepalive kp_handoff)
  target_link_options(${t} PRIVATE -municode)
  set_target_properties(${t} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KP_TEST_DIR})
endforeach()

# The drop source for real drag and drop through X11 and the screen watcher that reads
# what reaches the screen are Linux programs, built with the host's compiler; the
# end-to-end tests and the benchmark start them from under Wine.
if(CMAKE_HOST_UNIX)
  find_program(KP_HOST_CC NAMES cc gcc REQUIRED)
  set(KP_HOST_TOOLS)
  foreach(tool xdnd_drop screen_watch)
    add_custom_command(OUTPUT ${KP_TEST_DIR}/${tool}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KP_TEST_DIR}
      COMMAND ${KP_HOST_CC} -O2 -Wall -Wextra -o ${KP_TEST_DIR}/${tool} ${CMAKE_SOURCE_DIR}/tests/support/${tool}.c -lX11
      DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/${tool}.c
      COMMENT "Building the X11 tool ${tool} with the host compiler"
      VERBATIM)
    list(APPEND KP_HOST_TOOLS ${KP_TEST_DIR}/${tool})
  endforeach()
  add_custom_target(kp_host_tools ALL DEPENDS ${KP_HOST_TOOLS})
endif()

file(GLOB KP_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*_win.cpp)
add_library(kp_test_support STATIC ${KP_TEST_SUPPORT})
target_link_libraries(kp_test_support PUBLIC kp_core qx5_core gtest)
# GoogleTest needs exceptions off consistently with our code.
target_compile_definitions(kp_test_support PUBLIC GTEST_HAS_EXCEPTIONS=0)

file(GLOB KP_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
foreach(src IN LISTS KP_WINE_TESTS)
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE kp_test_support gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KP_TEST_DIR})
  add_dependencies(${name} Kotopane QX5 kp_keepalive kp_handoff)
  if(TARGET kp_host_tools AND name MATCHES "^e2e_")
    add_dependencies(${name} kp_host_tools)
  endif()
  # The damaged pictures each go through a whole display, fade and typing included.
  set(timeout 120)
  if(name STREQUAL "display_damaged_test")
    set(timeout 240)
  endif()
  if(CMAKE_HOST_UNIX)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${KP_TEST_DIR}
    PROPERTIES LABELS wine TIMEOUT ${timeout})
endforeach()

# Benchmarks that run under Wine print figures; they are not tests.
file(GLOB KP_WINE_BENCH CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/wine_*.cpp)
foreach(b IN LISTS KP_WINE_BENCH)
  get_filename_component(n ${b} NAME_WE)
  add_executable(${n} ${b})
  target_link_libraries(${n} PRIVATE kp_test_support)
  # The benchmark makes some of its pictures with the tools of this tree.
  target_compile_definitions(${n} PRIVATE "KP_SOURCE_DIR=\"${CMAKE_SOURCE_DIR}\"")
  set_target_properties(${n} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KP_TEST_DIR})
  if(TARGET kp_host_tools)
    add_dependencies(${n} kp_host_tools)
  endif()
endforeach()
