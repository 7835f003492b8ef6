# libFuzzer targets, built with clang by the "fuzz" preset and run for a bounded time by
# scripts/test.
set(UNLIMIT_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)

add_executable(ini_parser_fuzz settings/ini_parser_fuzz.cpp)
target_link_libraries(ini_parser_fuzz PRIVATE unlimit_core)
target_compile_options(ini_parser_fuzz PRIVATE ${UNLIMIT_FUZZ_FLAGS})
target_link_options(ini_parser_fuzz PRIVATE ${UNLIMIT_FUZZ_FLAGS})
unlimit_warnings(ini_parser_fuzz)
target_compile_options(unlimit_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)

# tds-test-server: bytes from a hostile client through the packet reader and a session.
include(tools/tds-test-server/sources.cmake)
add_library(tds_test_server_fuzzed STATIC
  ${TDS_TEST_SERVER_PROTOCOL_SOURCES} ${TDS_TEST_SERVER_TEST_SUPPORT_SOURCES})
target_include_directories(tds_test_server_fuzzed PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(tds_test_server_fuzzed PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
unlimit_warnings(tds_test_server_fuzzed)
add_executable(tds_message_fuzz tools/tds-test-server/tds_message_fuzz.cpp)
target_link_libraries(tds_message_fuzz PRIVATE tds_test_server_fuzzed)
target_compile_options(tds_message_fuzz PRIVATE ${UNLIMIT_FUZZ_FLAGS})
target_link_options(tds_message_fuzz PRIVATE ${UNLIMIT_FUZZ_FLAGS})
unlimit_warnings(tds_message_fuzz)
