# Native build: the platform-free code and its unit tests, with sanitizers.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  include(cmake/GoogleTestSources.cmake)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
include(GoogleTest)

option(KP_SANITIZE "Build the native tests with ASan and UBSan" ON)
set(KP_SAN_FLAGS)
if(KP_SANITIZE)
  set(KP_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
endif()

add_library(kp_pure STATIC ${KP_PURE_SOURCES} ${QX5_PURE_SOURCES})
target_compile_options(kp_pure PRIVATE ${KP_SAN_FLAGS})
target_link_options(kp_pure PUBLIC ${KP_SAN_FLAGS})

file(GLOB KP_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_test.cpp)
add_executable(native_tests ${KP_NATIVE_TESTS})
target_compile_options(native_tests PRIVATE ${KP_SAN_FLAGS})
target_link_libraries(native_tests PRIVATE kp_pure GTest::gtest_main)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)

# Benchmarks of the pure code print figures; they are not tests.
file(GLOB KP_NATIVE_BENCH CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/native_*.cpp)
foreach(b IN LISTS KP_NATIVE_BENCH)
  get_filename_component(n ${b} NAME_WE)
  add_executable(${n} ${b})
  target_link_libraries(${n} PRIVATE kp_pure)
endforeach()
