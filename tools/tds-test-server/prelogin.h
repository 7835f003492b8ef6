// PRELOGIN: the first message of a TDS 7.1+ client. The server never encrypts, so it always
// answers ENCRYPT_NOT_SUP; a client that insists on encryption gets that answer and is closed.
#pragma once

#include <cstdint>
#include <optional>

#include "tools/tds-test-server/byte_buffer.h"

namespace tds {

enum Encryption : std::uint8_t {
  kEncryptOff = 0,
  kEncryptOn = 1,
  kEncryptNotSupported = 2,
  kEncryptRequired = 3,
};

struct PreloginRequest {
  std::optional<std::uint8_t> encryption;  // absent when the client did not send the option
  std::optional<std::uint32_t> client_version;
  bool mars = false;
};

PreloginRequest parse_prelogin(ByteView payload);

// The option block of the reply: VERSION, ENCRYPTION, INSTOPT, THREADID, MARS.
Bytes prelogin_response(std::uint8_t encryption);

}  // namespace tds
