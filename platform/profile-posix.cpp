#include "platform/profile.h"

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>

#include "settings/ini_parser.h"

namespace {

// Larger files are not configuration files; reading them whole could exhaust memory.
constexpr std::streamsize kMaxFileBytes = 64 * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::string& contents) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  contents.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad() && contents.size() <= static_cast<std::size_t>(kMaxFileBytes);
}

struct IconvCloser {
  void operator()(iconv_t handle) const { iconv_close(handle); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// Converts a value written by a Chinese Windows system (code page 936, of which GB18030 is a
// superset). Bytes that do not convert are dropped rather than failing the whole value.
std::string Gb18030ToUtf8(std::string_view text) {
  iconv_t raw = iconv_open("UTF-8", "GB18030");
  if (raw == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  IconvHandle handle(raw);
  std::string out(text.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
      break;
    }
    if (errno == E2BIG) {
      std::size_t used = outPtr - out.data();
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    } else {
      // An invalid or truncated sequence: skip one byte and carry on.
      ++in;
      --inLeft;
    }
  }
  out.resize(outPtr - out.data());
  return out;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue) {
  std::string contents;
  if (!ReadWholeFile(path, contents)) return defaultValue;
  std::optional<std::string_view> value = FindProfileValue(contents, section, key);
  if (!value) return defaultValue;
  if (IsValidUtf8(contents)) {
    return std::string(CutAtCharacterBoundary(*value, MaxProfileValueBytes, TTextEncoding::teUtf8));
  }
  return Gb18030ToUtf8(
      CutAtCharacterBoundary(*value, MaxProfileValueBytes, TTextEncoding::teGb18030));
}
