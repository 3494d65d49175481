# The release as a user gets it, tested from the test command: the zip is made from this
# build, checked, and unpacked into a folder whose path has a space and Japanese
# characters (a fixture, so every ctest run starts from a fresh unpack); the Wine test then
# runs the unpacked program from there.
if(NOT KP_TESTS OR NOT CMAKE_HOST_UNIX)
  return()
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(KP_RELEASE_UNPACK "${CMAKE_BINARY_DIR}/scratch/リリース 展開")   # also in the test's source
add_test(NAME e2e_release_zip
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/release/release_zip_test.py
          ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} "${KP_RELEASE_UNPACK}")
set_tests_properties(e2e_release_zip PROPERTIES FIXTURES_SETUP kp_release LABELS release TIMEOUT 120)

add_executable(e2e_release_test ${CMAKE_SOURCE_DIR}/tests/release/e2e_release_test.cpp)
target_link_libraries(e2e_release_test PRIVATE kp_test_support gtest_main version)
target_compile_definitions(e2e_release_test PRIVATE KP_RELEASE_VERSION=L"${PROJECT_VERSION}")
set_target_properties(e2e_release_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KP_TEST_DIR})
add_dependencies(e2e_release_test Kotopane QX5 kp_keepalive kp_handoff)
set_target_properties(e2e_release_test PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh)
gtest_discover_tests(e2e_release_test
  DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 60
  WORKING_DIRECTORY ${KP_TEST_DIR}
  PROPERTIES LABELS wine TIMEOUT 120 FIXTURES_REQUIRED kp_release)
