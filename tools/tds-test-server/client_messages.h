// Builds the messages a TDS client sends, for the tests and the fuzz target. Only what is
// needed to drive the server; real client behaviour is covered by the tsql and tedious tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/packet.h"

namespace tds {

struct LoginRequest {
  std::uint32_t tds_version = 0x74000004;
  std::uint32_t packet_size = 4096;
  std::string host = "testhost";
  std::string user;
  std::string password;
  std::string app = "tds-test";
  std::string server = "127.0.0.1";
  std::string library = "client_messages";
  std::string database;
  bool integrated_security = false;
};

Bytes build_prelogin(std::uint8_t encryption);
Bytes build_login7(const LoginRequest& login);
// A SQL batch payload; TDS 7.2 and later put a transaction descriptor header first.
Bytes build_batch(std::string_view sql, bool all_headers = true);
// One packet carrying the whole payload (no size limit check, so tests can send bad ones).
Bytes build_packet(PacketType type, ByteView payload, std::uint8_t status = kStatusEndOfMessage);

}  // namespace tds
