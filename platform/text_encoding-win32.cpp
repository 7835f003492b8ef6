#include "platform/text_encoding-win32.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  int length =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
  return ToWide(CP_UTF8, text);
}

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string narrow(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                      nullptr, nullptr);
  return narrow;
}

std::string AnsiToUtf8(std::string_view text) {
  return WideToUtf8(ToWide(CP_ACP, text));
}

std::optional<std::string> WideToAnsi(std::wstring_view text) {
  if (text.empty()) return std::string();
  // A system whose ANSI code page is UTF-8 takes every character, and refuses the
  // used-default-character flag.
  BOOL lossy = FALSE;
  BOOL* lossyFlag = GetACP() == CP_UTF8 ? nullptr : &lossy;
  int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, lossyFlag);
  std::string narrow(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                      nullptr, lossyFlag);
  if (lossy || length == 0) return std::nullopt;
  return narrow;
}
