// LOGIN7: the client's credentials and connection options.
#pragma once

#include <cstdint>
#include <string>

#include "tools/tds-test-server/byte_buffer.h"

namespace tds {

struct Login7 {
  std::uint32_t tds_version = 0;  // as sent, e.g. 0x74000004 for 7.4
  std::uint32_t packet_size = 0;
  bool integrated_security = false;
  std::string host;
  std::string user;
  std::string password;
  std::string app;
  std::string server;
  std::string library;
  std::string database;
};

// Throws ProtocolError when the fixed part is short or a variable field lies outside the
// message or is longer than a server would accept.
Login7 parse_login7(ByteView payload);

// Passwords travel with each byte XORed with 0xA5 after swapping its nibbles; undoing it means
// XOR first, then swap.
std::uint8_t decode_password_byte(std::uint8_t b);
std::uint8_t encode_password_byte(std::uint8_t b);

}  // namespace tds
