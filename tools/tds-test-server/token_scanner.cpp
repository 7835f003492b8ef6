#include "tools/tds-test-server/token_scanner.h"

#include "tools/tds-test-server/utf16.h"

namespace tds {
namespace {

std::string read_b_varchar(ByteReader& r) {
  return utf16le_to_utf8(r.take(2 * r.u8()));
}

}  // namespace

std::vector<ScannedToken> scan_tokens(ByteView stream, TdsVersion version) {
  std::vector<ScannedToken> tokens;
  std::vector<std::uint8_t> column_types;
  ByteReader r(stream);
  while (r.remaining() > 0) {
    ScannedToken t;
    t.token = r.u8();
    switch (t.token) {
      case 0xAA:
      case 0xAB: {
        ByteReader body(r.take(r.u16le()));
        t.number = static_cast<std::int32_t>(body.u32le());
        body.u8();  // state
        t.severity = body.u8();
        t.text = utf16le_to_utf8(body.take(2 * body.u16le()));
        read_b_varchar(body);  // server
        read_b_varchar(body);  // procedure
        body.skip(version.is_72_or_later() ? 4 : 2);
        if (body.remaining() != 0) throw ProtocolError("ERROR/INFO token longer than its fields");
        break;
      }
      case 0xAD: {
        ByteReader body(r.take(r.u16le()));
        body.u8();
        t.tds_version = body.u32be();
        t.text = read_b_varchar(body);
        body.skip(4);
        break;
      }
      case 0xE3: {
        ByteReader body(r.take(r.u16le()));
        t.env_type = body.u8();
        if (t.env_type == 7) break;  // collation bytes, not text
        t.text = read_b_varchar(body);
        read_b_varchar(body);
        break;
      }
      case 0xFD:
        t.status = r.u16le();
        r.u16le();
        if (version.is_72_or_later()) {
          const std::uint64_t low = r.u32le();
          t.rows = low | (std::uint64_t{r.u32le()} << 32);
        } else {
          t.rows = r.u32le();
        }
        break;
      case 0x81: {
        column_types.clear();
        const std::uint16_t count = r.u16le();
        for (std::uint16_t i = 0; i < count; ++i) {
          r.skip(version.is_72_or_later() ? 4 : 2);  // user type
          r.u16le();                                 // flags
          const std::uint8_t type = r.u8();
          if (type == 0xE7) {
            r.u16le();
            if (version.has_collations()) r.skip(5);
          } else if (type != 0x38) {
            throw ProtocolError("column type the scanner does not know");
          }
          column_types.push_back(type);
          t.values.push_back(read_b_varchar(r));
        }
        break;
      }
      case 0xD1:
        for (std::uint8_t type : column_types) {
          if (type == 0xE7) {
            t.values.push_back(utf16le_to_utf8(r.take(r.u16le())));
          } else {
            t.values.push_back(std::to_string(static_cast<std::int32_t>(r.u32le())));
          }
        }
        break;
      default:
        throw ProtocolError("unknown token " + std::to_string(t.token));
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

std::vector<std::int32_t> error_numbers(const std::vector<ScannedToken>& tokens) {
  std::vector<std::int32_t> numbers;
  for (const ScannedToken& t : tokens) {
    if (t.token == 0xAA) numbers.push_back(t.number);
  }
  return numbers;
}

std::vector<std::uint16_t> done_statuses(const std::vector<ScannedToken>& tokens) {
  std::vector<std::uint16_t> statuses;
  for (const ScannedToken& t : tokens) {
    if (t.token == 0xFD) statuses.push_back(t.status);
  }
  return statuses;
}

}  // namespace tds
