# Linux console build: the platform layer over POSIX and FreeTDS, the program and its tests.

find_package(GTest REQUIRED)
include(GoogleTest)

add_library(unlimit_platform STATIC
  platform/executable_path-posix.cpp
  platform/profile-posix.cpp
)
target_link_libraries(unlimit_platform PUBLIC unlimit_core)
unlimit_warnings(unlimit_platform)

# The core's unit tests. They write Arvel.ini beside their own executable, so the test
# program lives in a folder of its own and its cases never run concurrently.
add_executable(core_tests
  settings/ini_parser_test.cpp
  settings/config_file_test.cpp
  settings/connection_settings_test.cpp
  job/alter_batch_test.cpp
  job/alteration_job_test.cpp
  app/shell_test.cpp
  app/application_title_test.cpp
  tests/fake_data_access.cpp
  tests/fake_application.cpp
  tests/test_support.cpp
)
set_target_properties(core_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/core-tests)
target_link_libraries(core_tests PRIVATE unlimit_platform GTest::gtest_main)
target_compile_definitions(core_tests PRIVATE UNLIMIT_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
unlimit_warnings(core_tests)
gtest_discover_tests(core_tests PROPERTIES RESOURCE_LOCK core_tests_arvel_ini)
