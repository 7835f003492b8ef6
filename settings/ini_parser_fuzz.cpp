// Feeds arbitrary bytes to the INI parser as a whole file, looking up the program's keys
// and a key taken from the input itself.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/ini_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  bool utf8 = IsValidUtf8(text);
  const std::string_view keys[] = {"driver name", "database name", "user passward",
                                   text.substr(0, 8)};
  for (std::string_view key : keys) {
    std::optional<std::string_view> value = FindProfileValue(text, "database", key);
    if (!value) continue;
    std::string_view cut = CutAtCharacterBoundary(
        *value, MaxProfileValueBytes, utf8 ? TTextEncoding::teUtf8 : TTextEncoding::teGb18030);
    if (cut.size() > MaxProfileValueBytes || cut.data() != value->data()) __builtin_trap();
    if (utf8 && !IsValidUtf8(cut)) __builtin_trap();
  }
  return 0;
}
