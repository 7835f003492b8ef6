// Conversions between the UTF-16LE of the wire and the UTF-8 used everywhere inside the server.
#pragma once

#include <string>
#include <string_view>

#include "tools/tds-test-server/byte_buffer.h"

namespace tds {

// Decodes UTF-16LE. An odd byte count is a protocol error; unpaired surrogates become U+FFFD
// because UTF-8 cannot carry them.
std::string utf16le_to_utf8(ByteView bytes);

// Encodes UTF-8 as UTF-16. Invalid UTF-8 sequences become U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);

}  // namespace tds
