#include "tools/tds-test-server/login7.h"

#include "tools/tds-test-server/utf16.h"

namespace tds {
namespace {

// Offsets of the fixed part that every TDS 7.x LOGIN7 carries.
constexpr std::size_t kOptionFlags2 = 25;
constexpr std::uint8_t kIntegratedSecurity = 0x80;
constexpr std::size_t kHostName = 36;
constexpr std::size_t kUserName = 40;
constexpr std::size_t kPassword = 44;
constexpr std::size_t kAppName = 48;
constexpr std::size_t kServerName = 52;
constexpr std::size_t kLibraryName = 60;
constexpr std::size_t kDatabase = 68;
// TDS 7.0 stops after the SSPI and attach-file pairs; later versions add 8 more bytes.
constexpr std::size_t kFixedPartTds70 = 86;
// sysname is 128 characters; no legitimate field here is longer.
constexpr std::size_t kMaxFieldChars = 128;

std::string read_field(ByteView login, std::size_t pair_at, const char* name, bool password) {
  ByteReader pair(login.subspan(pair_at, 4));
  const std::size_t offset = pair.u16le();
  const std::size_t chars = pair.u16le();
  if (chars > kMaxFieldChars) {
    throw ProtocolError(std::string("LOGIN7 ") + name + " is longer than 128 characters");
  }
  if (chars == 0) return {};
  if (offset < kFixedPartTds70 || offset + 2 * chars > login.size()) {
    throw ProtocolError(std::string("LOGIN7 ") + name + " lies outside the message");
  }
  ByteView raw = login.subspan(offset, 2 * chars);
  if (!password) return utf16le_to_utf8(raw);
  Bytes decoded(raw.begin(), raw.end());
  for (std::uint8_t& b : decoded) b = decode_password_byte(b);
  return utf16le_to_utf8(decoded);
}

}  // namespace

std::uint8_t decode_password_byte(std::uint8_t b) {
  b ^= 0xA5;
  return static_cast<std::uint8_t>((b << 4) | (b >> 4));
}

std::uint8_t encode_password_byte(std::uint8_t b) {
  b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
  return b ^ 0xA5;
}

Login7 parse_login7(ByteView payload) {
  ByteReader fixed(payload);
  const std::uint32_t length = fixed.u32le();
  if (length < kFixedPartTds70 || length > payload.size()) {
    throw ProtocolError("LOGIN7 length " + std::to_string(length) +
                        " does not match a message of " + std::to_string(payload.size()) +
                        " bytes");
  }
  ByteView login = payload.first(length);
  Login7 result;
  result.tds_version = fixed.u32le();
  result.packet_size = fixed.u32le();
  result.integrated_security = (login[kOptionFlags2] & kIntegratedSecurity) != 0;
  result.host = read_field(login, kHostName, "host name", false);
  result.user = read_field(login, kUserName, "user name", false);
  result.password = read_field(login, kPassword, "password", true);
  result.app = read_field(login, kAppName, "application name", false);
  result.server = read_field(login, kServerName, "server name", false);
  result.library = read_field(login, kLibraryName, "library name", false);
  result.database = read_field(login, kDatabase, "database", false);
  return result;
}

}  // namespace tds
