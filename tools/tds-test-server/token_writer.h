// The server's reply token stream. Formats follow the negotiated TDS version.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/tds_version.h"

namespace tds {

// DONE status bits.
constexpr std::uint16_t kDoneFinal = 0x0000;
constexpr std::uint16_t kDoneMore = 0x0001;
constexpr std::uint16_t kDoneError = 0x0002;
constexpr std::uint16_t kDoneCount = 0x0010;
constexpr std::uint16_t kDoneAttention = 0x0020;

// DONE "current command" values clients may show.
constexpr std::uint16_t kCmdSelect = 0x00C1;

// The name ERROR and INFO tokens carry as their server.
inline constexpr const char* kServerName = "TDSTEST";

struct ServerMessage {
  std::int32_t number = 0;
  std::uint8_t state = 1;
  std::uint8_t severity = 16;  // "class" on the wire
  std::string text;
};

enum class ColumnType { kNVarChar, kInt };
struct Column {
  std::string name;
  ColumnType type;
};
using Value = std::variant<std::string, std::int32_t>;

class TokenWriter {
 public:
  explicit TokenWriter(TdsVersion version) : version_(version) {}

  void error(const ServerMessage& m) { message(0xAA, m); }
  void info(const ServerMessage& m) { message(0xAB, m); }
  void login_ack(const std::string& program);
  void env_database(const std::string& now, const std::string& before);
  void env_packet_size(std::uint32_t now, std::uint32_t before);
  void env_collation();
  void done(std::uint16_t status, std::uint16_t command = 0, std::uint64_t rows = 0);
  void col_metadata(const std::vector<Column>& columns);
  void row(const std::vector<Column>& columns, const std::vector<Value>& values);

  Bytes take() { return out_.take(); }

 private:
  void message(std::uint8_t token, const ServerMessage& m);
  void env_strings(std::uint8_t type, const std::string& now, const std::string& before);

  TdsVersion version_;
  ByteWriter out_;
};

}  // namespace tds
