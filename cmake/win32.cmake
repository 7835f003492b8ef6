# Windows build (32-bit, cross-compiled with MinGW-w64): the platform layer over Win32, COM
# and ADO, the GUI program, the core's tests and the test tools that run under Wine.

enable_language(RC)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

add_library(unlimit_platform STATIC
  platform/text_encoding-win32.cpp
  platform/executable_path-win32.cpp
  platform/profile-win32.cpp
  platform/application-win32.cpp
  platform/dispatch-win32.cpp
  platform/data_access-win32.cpp
)
target_link_libraries(unlimit_platform PUBLIC unlimit_core ole32 oleaut32 uuid)
unlimit_warnings(unlimit_platform)

add_executable(Unlimit WIN32
  app/main-win32.cpp
  app/terminate_handler-win32.cpp
  resources/unlimit.rc
)
target_link_libraries(Unlimit PRIVATE unlimit_platform)
# Stripped, and without the unused parts of the static libraries: at most 300 KB.
target_link_options(Unlimit PRIVATE -municode -s -Wl,--gc-sections)
target_compile_definitions(Unlimit PRIVATE
  UNLIMIT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  UNLIMIT_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  UNLIMIT_VERSION_PATCH=${PROJECT_VERSION_PATCH})
set_source_files_properties(resources/unlimit.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/unlimit.ico;${CMAKE_SOURCE_DIR}/resources/unlimit.manifest")
unlimit_warnings(Unlimit)

# Test-only tools, never shipped: the ADO stand-in COM server and the window probe.
add_library(ado_stand_in SHARED
  tools/ado-stand-in/ado_objects.cpp
  tools/ado-stand-in/call_log.cpp
  platform/text_encoding-win32.cpp
  tools/ado-stand-in/ado-stand-in.def
)
set_target_properties(ado_stand_in PROPERTIES PREFIX "" OUTPUT_NAME ado-stand-in)
target_include_directories(ado_stand_in PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(ado_stand_in PRIVATE oleaut32 ole32 uuid)
target_link_options(ado_stand_in PRIVATE -s)
unlimit_warnings(ado_stand_in)

add_executable(win_probe tools/win-probe/win_probe.cpp)
set_target_properties(win_probe PROPERTIES OUTPUT_NAME win-probe)
target_link_options(win_probe PRIVATE -municode -s)
unlimit_warnings(win_probe)

# The core's unit tests, with GoogleTest built from Debian's source by the same compiler.
set(UNLIMIT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${UNLIMIT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The same cases as the Linux build's; they write Arvel.ini beside their own executable.
add_executable(core_tests ${UNLIMIT_CORE_TEST_SOURCES})
set_target_properties(core_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/core-tests)
target_link_libraries(core_tests PRIVATE unlimit_platform gtest_main)
target_compile_definitions(core_tests PRIVATE UNLIMIT_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
unlimit_warnings(core_tests)

# The Windows platform layer's own rules; the tests expect code page 936 (a Chinese system).
add_executable(platform_tests platform/platform-win32_test.cpp)
set_target_properties(platform_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/platform-tests)
target_link_libraries(platform_tests PRIVATE unlimit_platform gtest_main)
unlimit_warnings(platform_tests)

# The release archive: the program, a sample configuration and a short read-me.
install(TARGETS Unlimit RUNTIME DESTINATION .)
install(FILES packaging/Arvel.ini packaging/ReadMe.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME unlimit)
set(CPACK_PACKAGE_FILE_NAME unlimit-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
