#include "tools/tds-test-server/client_messages.h"

#include <vector>

#include "tools/tds-test-server/login7.h"
#include "tools/tds-test-server/utf16.h"

namespace tds {

Bytes build_prelogin(std::uint8_t encryption) {
  ByteWriter out;
  // VERSION at 11 (6 bytes), ENCRYPTION at 17 (1 byte), then the terminator.
  out.bytes(std::vector<std::uint8_t>{0x00, 0x00, 11, 0x00, 6, 0x01, 0x00, 17, 0x00, 1, 0xFF});
  out.bytes(std::vector<std::uint8_t>{0x0C, 0x00, 0x07, 0xD0, 0x00, 0x00});
  out.u8(encryption);
  return out.take();
}

Bytes build_login7(const LoginRequest& login) {
  constexpr std::size_t kFixed = 94;
  const std::string* fields[] = {&login.host,    &login.user,   &login.password,
                                 &login.app,     &login.server, nullptr,
                                 &login.library, nullptr,       &login.database};
  ByteWriter variable;
  ByteWriter pairs;
  for (const std::string* field : fields) {
    const std::size_t offset = kFixed + variable.size();
    std::size_t chars = 0;
    if (field) {
      ByteWriter text;
      chars = text.utf16(*field);
      Bytes bytes = text.take();
      if (field == &login.password) {
        for (std::uint8_t& b : bytes) b = encode_password_byte(b);
      }
      variable.bytes(bytes);
    }
    pairs.u16le(static_cast<std::uint16_t>(offset));
    pairs.u16le(static_cast<std::uint16_t>(chars));
  }
  ByteWriter out;
  out.u32le(static_cast<std::uint32_t>(kFixed + variable.size()));
  out.u32le(login.tds_version);
  out.u32le(login.packet_size);
  out.u32le(7);                                     // client program version
  out.u32le(4242);                                  // client process id
  out.u32le(0);                                     // connection id
  out.u8(0xE0);                                     // OptionFlags1: USE_DB, INIT_DB_FATAL, SET_LANG
  out.u8(login.integrated_security ? 0x83 : 0x03);  // OptionFlags2: ODBC, INIT_LANG_FATAL
  out.u8(0);                                        // TypeFlags
  out.u8(0);                                        // OptionFlags3
  out.u32le(0);                                     // time zone
  out.u32le(0x0409);                                // LCID
  out.bytes(pairs.data());
  out.bytes(std::vector<std::uint8_t>(6, 0));      // client id (MAC address)
  out.bytes(std::vector<std::uint8_t>(4 * 3, 0));  // SSPI, attach file, change password
  out.u32le(0);                                    // long SSPI length
  out.bytes(variable.data());
  return out.take();
}

Bytes build_batch(std::string_view sql, bool all_headers) {
  ByteWriter out;
  if (all_headers) {
    out.u32le(22);  // total length
    out.u32le(18);  // header length
    out.u16le(2);   // transaction descriptor
    out.bytes(std::vector<std::uint8_t>(8, 0));
    out.u32le(1);  // outstanding requests
  }
  out.utf16(sql);
  return out.take();
}

Bytes build_packet(PacketType type, ByteView payload, std::uint8_t status) {
  ByteWriter out;
  out.u8(static_cast<std::uint8_t>(type));
  out.u8(status);
  out.u16be(static_cast<std::uint16_t>(payload.size() + kPacketHeaderSize));
  out.u16be(0);
  out.u8(1);
  out.u8(0);
  out.bytes(payload);
  return out.take();
}

}  // namespace tds
