// Conversions between the core's UTF-8, Windows' UTF-16 and the ANSI code page.
#ifndef UNLIMIT_PLATFORM_TEXT_ENCODING_WIN32_H_
#define UNLIMIT_PLATFORM_TEXT_ENCODING_WIN32_H_

#include <optional>
#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Text in the ANSI code page, as the A functions take and give it.
std::string AnsiToUtf8(std::string_view text);
// Nothing when some character has no form in the ANSI code page.
std::optional<std::string> WideToAnsi(std::wstring_view text);

#endif  // UNLIMIT_PLATFORM_TEXT_ENCODING_WIN32_H_
