#include "platform/executable_path.h"

#include <windows.h>

#include <vector>

#include "platform/text_encoding-win32.h"

std::string ExecutablePath() {
  // Long paths may exceed MAX_PATH; the function says so by filling the buffer entirely.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 6; ++attempt) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return WideToUtf8(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::string DirectoryOf(const std::string& path) {
  // No UTF-8 sequence contains these bytes, so the search is safe on the encoded text.
  std::size_t separator = path.find_last_of("\\:");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}
