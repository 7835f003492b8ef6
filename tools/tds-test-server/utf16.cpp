#include "tools/tds-test-server/utf16.h"

namespace tds {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool is_high_surrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool is_low_surrogate(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

std::string utf16le_to_utf8(ByteView bytes) {
  if (bytes.size() % 2 != 0) throw ProtocolError("UTF-16 text with an odd byte count");
  std::string out;
  out.reserve(bytes.size() / 2);
  const std::size_t n = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> char32_t { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
  for (std::size_t i = 0; i < n; ++i) {
    char32_t u = unit(i);
    if (is_high_surrogate(u) && i + 1 < n && is_low_surrogate(unit(i + 1))) {
      append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (is_high_surrogate(u) || is_low_surrogate(u)) {
      append_utf8(out, kReplacement);
    } else {
      append_utf8(out, u);
    }
  }
  return out;
}

std::u16string utf8_to_utf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = b0 < 0x80           ? 1
                      : (b0 >> 5) == 0x6  ? 2
                      : (b0 >> 4) == 0xE  ? 3
                      : (b0 >> 3) == 0x1E ? 4
                                          : 0;
    char32_t cp = kReplacement;
    if (len == 0 || i + len > s.size()) {
      len = 1;
    } else {
      cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
      for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
          cp = kReplacement;
          len = k;
          break;
        }
        cp = (cp << 6) | (b & 0x3F);
      }
      if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    }
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

}  // namespace tds
