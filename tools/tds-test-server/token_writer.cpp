#include "tools/tds-test-server/token_writer.h"

#include <algorithm>

namespace tds {
namespace {

enum Token : std::uint8_t {
  kColMetadata = 0x81,
  kLoginAck = 0xAD,
  kRow = 0xD1,
  kEnvChange = 0xE3,
  kDone = 0xFD,
};

enum EnvChange : std::uint8_t {
  kEnvDatabase = 1,
  kEnvPacketSize = 4,
  kEnvSqlCollation = 7,
};

enum DataType : std::uint8_t {
  kInt4 = 0x38,
  kNVarChar = 0xE7,
};

// Latin1_General_CI_AS: LCID 0x0409 with the comparison flags, sort id 0x34 (52). Clients
// decode text with it, so it must describe what we send (UTF-16, unaffected) correctly enough.
constexpr std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

// sysname is nvarchar(128): 256 bytes.
constexpr std::uint16_t kNVarCharMaxBytes = 256;

}  // namespace

void TokenWriter::message(std::uint8_t token, const ServerMessage& m) {
  out_.u8(token);
  const std::size_t length_at = out_.size();
  out_.u16le(0);
  out_.u32le(static_cast<std::uint32_t>(m.number));
  out_.u8(m.state);
  out_.u8(m.severity);
  out_.us_varchar(m.text);
  out_.b_varchar(kServerName);
  out_.b_varchar("");  // procedure name
  if (version_.is_72_or_later()) {
    out_.u32le(1);  // line number
  } else {
    out_.u16le(1);
  }
  out_.patch_u16le(length_at, static_cast<std::uint16_t>(out_.size() - length_at - 2));
}

void TokenWriter::login_ack(const std::string& program) {
  out_.u8(kLoginAck);
  const std::size_t length_at = out_.size();
  out_.u16le(0);
  out_.u8(1);                  // interface: SQL_TSQL
  out_.u32be(version_.value);  // big-endian here, unlike in LOGIN7
  out_.b_varchar(program);
  out_.bytes(std::vector<std::uint8_t>{16, 0, 0x03, 0xE8});  // 16.0.1000
  out_.patch_u16le(length_at, static_cast<std::uint16_t>(out_.size() - length_at - 2));
}

void TokenWriter::env_strings(std::uint8_t type, const std::string& now,
                              const std::string& before) {
  out_.u8(kEnvChange);
  const std::size_t length_at = out_.size();
  out_.u16le(0);
  out_.u8(type);
  out_.b_varchar(now);
  out_.b_varchar(before);
  out_.patch_u16le(length_at, static_cast<std::uint16_t>(out_.size() - length_at - 2));
}

void TokenWriter::env_database(const std::string& now, const std::string& before) {
  env_strings(kEnvDatabase, now, before);
}

void TokenWriter::env_packet_size(std::uint32_t now, std::uint32_t before) {
  env_strings(kEnvPacketSize, std::to_string(now), std::to_string(before));
}

void TokenWriter::env_collation() {
  // Unlike the string changes, the collation's lengths count bytes.
  out_.u8(kEnvChange);
  out_.u16le(1 + 1 + sizeof kCollation + 1);
  out_.u8(kEnvSqlCollation);
  out_.u8(sizeof kCollation);
  out_.bytes(kCollation);
  out_.u8(0);
}

void TokenWriter::done(std::uint16_t status, std::uint16_t command, std::uint64_t rows) {
  out_.u8(kDone);
  out_.u16le(status);
  out_.u16le(command);
  if (version_.is_72_or_later()) {
    out_.u64le(rows);
  } else {
    out_.u32le(static_cast<std::uint32_t>(rows));
  }
}

void TokenWriter::col_metadata(const std::vector<Column>& columns) {
  out_.u8(kColMetadata);
  out_.u16le(static_cast<std::uint16_t>(columns.size()));
  for (const Column& c : columns) {
    if (version_.is_72_or_later()) {
      out_.u32le(0);  // user type
    } else {
      out_.u16le(0);
    }
    out_.u16le(0);  // flags: not nullable, read-only
    if (c.type == ColumnType::kNVarChar) {
      out_.u8(kNVarChar);
      out_.u16le(kNVarCharMaxBytes);
      if (version_.has_collations()) out_.bytes(kCollation);
    } else {
      out_.u8(kInt4);
    }
    out_.b_varchar(c.name);
  }
}

void TokenWriter::row(const std::vector<Column>& columns, const std::vector<Value>& values) {
  out_.u8(kRow);
  for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) {
    if (columns[i].type == ColumnType::kNVarChar) {
      ByteWriter text;
      text.utf16(std::get<std::string>(values[i]));
      const std::size_t n = std::min<std::size_t>(text.size(), kNVarCharMaxBytes);
      out_.u16le(static_cast<std::uint16_t>(n));
      out_.bytes(ByteView(text.data()).first(n));
    } else {
      out_.u32le(static_cast<std::uint32_t>(std::get<std::int32_t>(values[i])));
    }
  }
}

}  // namespace tds
