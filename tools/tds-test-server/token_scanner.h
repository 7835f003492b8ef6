// Reads back the server's token stream in tests: the messages, DONE statuses and row values a
// test needs to check, failing loudly on anything it cannot walk through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/tds_version.h"

namespace tds {

struct ScannedToken {
  std::uint8_t token = 0;
  std::int32_t number = 0;          // ERROR / INFO
  std::uint8_t severity = 0;        // ERROR / INFO
  std::string text;                 // ERROR / INFO message, ENVCHANGE new value, LOGINACK program
  std::uint8_t env_type = 0;        // ENVCHANGE
  std::uint32_t tds_version = 0;    // LOGINACK
  std::uint16_t status = 0;         // DONE
  std::uint64_t rows = 0;           // DONE
  std::vector<std::string> values;  // ROW, each column as text
};

// Throws ProtocolError if the stream does not parse under the given version's formats.
std::vector<ScannedToken> scan_tokens(ByteView stream, TdsVersion version);

// The error numbers in order, and the DONE statuses in order: what most tests compare.
std::vector<std::int32_t> error_numbers(const std::vector<ScannedToken>& tokens);
std::vector<std::uint16_t> done_statuses(const std::vector<ScannedToken>& tokens);

}  // namespace tds
