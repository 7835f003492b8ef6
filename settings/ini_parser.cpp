#include "settings/ini_parser.h"

namespace {

// The profile-string service's notion of a blank; 0x1A is the old end-of-file mark.
bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view TrimProfileSpace(std::string_view s) {
  while (!s.empty() && IsProfileSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileSpace(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view StripMatchingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key) {
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());

  // Only the first section of that name is searched, as the profile-string service does.
  enum { kBefore, kInside, kAfter } state = kBefore;
  while (!text.empty() && state != kAfter) {
    std::size_t end = text.find('\n');
    std::string_view line = TrimProfileSpace(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        bool matches = EqualsIgnoringAsciiCase(line.substr(1, close - 1), section);
        if (state == kInside)
          state = kAfter;
        else if (matches)
          state = kInside;
        continue;
      }
    }
    if (state != kInside) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (EqualsIgnoringAsciiCase(TrimProfileSpace(line.substr(0, equals)), key)) {
      // The service hands values back as C strings: a NUL byte ends them.
      std::string_view value = line.substr(equals + 1);
      value = value.substr(0, value.find('\0'));
      return StripMatchingQuotes(TrimProfileSpace(value));
    }
  }
  return std::nullopt;
}

namespace {

// Length of the UTF-8 sequence starting at `s[i]`, or 0 when it is malformed.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  auto continuation = [&](std::size_t k) { return k < s.size() && (byte(k) & 0xC0) == 0x80; };
  unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(i + 1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(i + 1) || !continuation(i + 2)) return 0;
    if (lead == 0xE0 && byte(i + 1) < 0xA0) return 0;   // overlong
    if (lead == 0xED && byte(i + 1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3)) return 0;
    if (lead == 0xF0 && byte(i + 1) < 0x90) return 0;   // overlong
    if (lead == 0xF4 && byte(i + 1) >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

// Length of the GB18030 character starting at `s[i]`: one byte below 0x80, four when a
// digit follows the lead byte, two otherwise. Malformed input still advances.
std::size_t Gb18030SequenceLength(std::string_view s, std::size_t i) {
  unsigned char lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x81 || lead == 0xFF) return 1;
  if (i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') return 4;
  return 2;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes,
                                        TTextEncoding encoding) {
  if (text.size() <= maxBytes) return text;
  std::size_t cut = 0;
  while (cut < text.size()) {
    std::size_t length = encoding == TTextEncoding::teUtf8 ? Utf8SequenceLength(text, cut)
                                                           : Gb18030SequenceLength(text, cut);
    if (length == 0) length = 1;
    if (cut + length > maxBytes) break;
    cut += length;
  }
  return text.substr(0, cut);
}
