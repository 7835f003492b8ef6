#include "tools/tds-test-server/prelogin.h"

#include <vector>

namespace tds {
namespace {

enum Option : std::uint8_t {
  kVersion = 0x00,
  kEncryption = 0x01,
  kInstance = 0x02,
  kThreadId = 0x03,
  kMars = 0x04,
  kTerminator = 0xFF,
};

// A real client sends at most a dozen options; more means garbage.
constexpr int kMaxOptions = 32;

}  // namespace

PreloginRequest parse_prelogin(ByteView payload) {
  PreloginRequest request;
  ByteReader options(payload);
  for (int i = 0;; ++i) {
    if (i == kMaxOptions) throw ProtocolError("PRELOGIN has too many options");
    const std::uint8_t token = options.u8();
    if (token == kTerminator) break;
    const std::uint16_t offset = options.u16be();
    const std::uint16_t length = options.u16be();
    if (static_cast<std::size_t>(offset) + length > payload.size()) {
      throw ProtocolError("PRELOGIN option " + std::to_string(token) +
                          " points outside the message");
    }
    ByteReader value(payload.subspan(offset, length));
    switch (token) {
      case kVersion:
        request.client_version = value.u32be();
        break;
      case kEncryption:
        request.encryption = value.u8();
        break;
      case kMars:
        request.mars = length > 0 && value.u8() != 0;
        break;
      default:
        break;  // instance name, thread id, trace id, fedauth, nonce: not needed here
    }
  }
  return request;
}

Bytes prelogin_response(std::uint8_t encryption) {
  struct Entry {
    std::uint8_t token;
    Bytes value;
  };
  // Version 16.0.1000.0, what a current server reports; clients only log it.
  const std::vector<Entry> entries = {
      {kVersion, {0x10, 0x00, 0x03, 0xE8, 0x00, 0x00}},
      {kEncryption, {encryption}},
      {kInstance, {0x00}},
      {kThreadId, {}},
      {kMars, {0x00}},
  };
  ByteWriter out;
  std::uint16_t offset = static_cast<std::uint16_t>(entries.size() * 5 + 1);
  for (const Entry& e : entries) {
    out.u8(e.token);
    out.u16be(offset);
    out.u16be(static_cast<std::uint16_t>(e.value.size()));
    offset = static_cast<std::uint16_t>(offset + e.value.size());
  }
  out.u8(kTerminator);
  for (const Entry& e : entries) out.bytes(e.value);
  return out.take();
}

}  // namespace tds
