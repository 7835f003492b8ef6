# libFuzzer targets, built with clang by the "fuzz" preset and run for a bounded time by
# scripts/test.
set(UNLIMIT_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)

add_executable(ini_parser_fuzz settings/ini_parser_fuzz.cpp)
target_link_libraries(ini_parser_fuzz PRIVATE unlimit_core)
target_compile_options(ini_parser_fuzz PRIVATE ${UNLIMIT_FUZZ_FLAGS})
target_link_options(ini_parser_fuzz PRIVATE ${UNLIMIT_FUZZ_FLAGS})
unlimit_warnings(ini_parser_fuzz)
target_compile_options(unlimit_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
