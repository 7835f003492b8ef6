// Finds one value in the text of an INI file by the rules of the Windows profile-string
// service, which the deployed configuration files were written for. Works on the file's own
// bytes, whatever their encoding, so that values can be cut in that encoding.
#ifndef UNLIMIT_SETTINGS_INI_PARSER_H_
#define UNLIMIT_SETTINGS_INI_PARSER_H_

#include <cstddef>
#include <optional>
#include <string_view>

// The largest value the profile-string service hands back: its buffer holds 2,048 bytes
// including the terminating zero.
constexpr std::size_t MaxProfileValueBytes = 2047;

// The value of `key` in the first section named `section`, with blanks around it and one
// matching pair of surrounding quotes removed, ending at a NUL byte; nothing when the section or key is absent.
// Section and key names match regardless of ASCII letter case; the first matching key wins;
// lines without '=' and lines starting with ';' are ignored; a UTF-8 byte-order mark, CR LF
// line ends and a last line without a line break are accepted.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

enum class TTextEncoding { teUtf8, teGb18030 };

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The longest prefix of `text` of at most `maxBytes` bytes that does not end inside a
// character of `encoding`.
std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes,
                                        TTextEncoding encoding);

#endif  // UNLIMIT_SETTINGS_INI_PARSER_H_
