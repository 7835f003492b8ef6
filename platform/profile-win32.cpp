#include "platform/profile.h"

#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

#include "platform/text_encoding-win32.h"
#include "settings/ini_parser.h"

namespace {

// Lines are split at line breaks, so no value read from a file can equal this. Passing it
// as the service's default tells an absent key from a present one without handing the
// caller's default through the ANSI code page.
constexpr char kAbsent[] = "\n<absent>";

// The path in the ANSI code page. A path the code page cannot spell is tried by its short
// form, which consists of characters every code page has.
std::optional<std::string> AnsiPath(const std::string& path) {
  std::wstring wide = Utf8ToWide(path);
  if (std::optional<std::string> ansi = WideToAnsi(wide)) return ansi;
  DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::vector<wchar_t> shortPath(length);
  length = GetShortPathNameW(wide.c_str(), shortPath.data(), length);
  if (length == 0 || length >= shortPath.size()) return std::nullopt;
  return WideToAnsi(std::wstring_view(shortPath.data(), length));
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue) {
  std::optional<std::string> ansiPath = AnsiPath(path);
  std::optional<std::string> ansiSection = WideToAnsi(Utf8ToWide(section));
  std::optional<std::string> ansiKey = WideToAnsi(Utf8ToWide(key));
  if (!ansiPath || !ansiSection || !ansiKey) return defaultValue;

  // The service's own cap: it fills at most this many bytes, the terminating zero included.
  std::vector<char> buffer(MaxProfileValueBytes + 1);
  DWORD length =
      GetPrivateProfileStringA(ansiSection->c_str(), ansiKey->c_str(), kAbsent, buffer.data(),
                               static_cast<DWORD>(buffer.size()), ansiPath->c_str());
  // A cut value is reported as filling the buffer even when its last byte could not take
  // half of a double-byte character and stayed zero, so the value ends at its first zero.
  std::string_view value(buffer.data(), strnlen(buffer.data(), length));
  if (value == kAbsent) return defaultValue;
  return AnsiToUtf8(value);
}
