# The server's protocol code: no sockets, no threads, no main(). Shared by the server, its unit
# tests and the fuzz target (cmake/fuzz.cmake), which compile it with different flags.
set(TDS_TEST_SERVER_PROTOCOL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/batch_executor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/byte_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/login7.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prelogin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shared_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statement_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tds_version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/token_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf16.cpp
)
# What tests and the fuzz target use to build client messages and read replies.
set(TDS_TEST_SERVER_TEST_SUPPORT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/client_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/token_scanner.cpp
)
