# Linux console build: the platform layer over POSIX and FreeTDS, the program and its tests.

find_package(GTest REQUIRED)
include(GoogleTest)

add_library(unlimit_platform STATIC
  platform/executable_path-posix.cpp
  platform/profile-posix.cpp
  platform/connection_string.cpp
  platform/instance_lookup.cpp
)
target_link_libraries(unlimit_platform PUBLIC unlimit_core)
unlimit_warnings(unlimit_platform)

# The core's unit tests. They write Arvel.ini beside their own executable, so the test
# program lives in a folder of its own and its cases never run concurrently.
add_executable(core_tests ${UNLIMIT_CORE_TEST_SOURCES})
set_target_properties(core_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/core-tests)
target_link_libraries(core_tests PRIVATE unlimit_platform GTest::gtest_main)
target_compile_definitions(core_tests PRIVATE UNLIMIT_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
unlimit_warnings(core_tests)
gtest_discover_tests(core_tests PROPERTIES RESOURCE_LOCK core_tests_arvel_ini)

# The data access layer over FreeTDS db-lib (Debian's freetds-dev).
find_library(SYBDB_LIBRARY sybdb REQUIRED)
find_path(SYBDB_INCLUDE_DIR sybdb.h REQUIRED)
add_library(unlimit_data_access STATIC
  platform/data_access-posix.cpp
  platform/freetds_config-posix.cpp
  platform/instance_lookup-posix.cpp
)
target_include_directories(unlimit_data_access PRIVATE ${SYBDB_INCLUDE_DIR})
target_link_libraries(unlimit_data_access PUBLIC unlimit_platform ${SYBDB_LIBRARY})
unlimit_warnings(unlimit_data_access)

# The program itself: build/<preset>/unlimit.
add_executable(unlimit
  app/main-posix.cpp
  platform/application-posix.cpp
)
target_link_libraries(unlimit PRIVATE unlimit_data_access)
unlimit_warnings(unlimit)

# Unit tests of the platform layer's parsers and its Browser lookup.
add_executable(platform_tests
  platform/connection_string_test.cpp
  platform/instance_lookup_test.cpp
  platform/instance_lookup-posix_test.cpp
)
target_link_libraries(platform_tests PRIVATE unlimit_data_access GTest::gtest_main)
unlimit_warnings(platform_tests)
gtest_discover_tests(platform_tests TEST_PREFIX "platform.")

# Starting another program with bounded waits, for every test that runs a real executable.
add_library(unlimit_child_process STATIC tests/child_process.cpp)
target_include_directories(unlimit_child_process PUBLIC ${CMAKE_SOURCE_DIR})
unlimit_warnings(unlimit_child_process)

if(NOT TARGET tds-test-server)
  add_subdirectory(tools/tds-test-server)
endif()

# End-to-end tests: the real program, copied with an Arvel.ini into a folder of its own, against
# tds-test-server.
add_library(unlimit_e2e_support STATIC tests/e2e/e2e_support.cpp)
target_include_directories(unlimit_e2e_support PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(unlimit_e2e_support PRIVATE
  UNLIMIT_EXECUTABLE="$<TARGET_FILE:unlimit>"
  TDS_TEST_SERVER_EXECUTABLE="$<TARGET_FILE:tds-test-server>")
target_link_libraries(unlimit_e2e_support PUBLIC unlimit_child_process GTest::gtest_main)
add_dependencies(unlimit_e2e_support unlimit tds-test-server)
unlimit_warnings(unlimit_e2e_support)

add_executable(e2e_tests tests/e2e/end_to_end_test.cpp)
target_link_libraries(e2e_tests PRIVATE unlimit_e2e_support)
unlimit_warnings(e2e_tests)
gtest_discover_tests(e2e_tests TEST_PREFIX "e2e." PROPERTIES TIMEOUT 60)

# One success path under valgrind: nothing definitely or indirectly lost. Not next to the
# sanitizers, which valgrind cannot run with. Without valgrind the program still builds (the
# demo needs no valgrind), but the test fails and says why.
if(NOT UNLIMIT_SANITIZE)
  find_program(VALGRIND valgrind)
  if(VALGRIND)
    add_test(NAME e2e.valgrind.SuccessPathLeaksNothing
      COMMAND e2e_tests --gtest_filter=Cases/EndToEndTest.Run/SuffixedDataFileName)
    set_tests_properties(e2e.valgrind.SuccessPathLeaksNothing PROPERTIES
      TIMEOUT 120 ENVIRONMENT "UNLIMIT_E2E_VALGRIND=${VALGRIND}")
  else()
    add_test(NAME e2e.valgrind.SuccessPathLeaksNothing
      COMMAND sh -c "echo 'valgrind is not installed (apt-get install valgrind)' >&2; exit 1")
  endif()
endif()
