#include "call_log.h"

#include <cwchar>
#include <vector>

#include "platform/text_encoding-win32.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

std::wstring Environment(const wchar_t* name) {
  DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) return {};
  std::vector<wchar_t> value(length);
  length = GetEnvironmentVariableW(name, value.data(), length);
  return std::wstring(value.data(), length);
}

std::wstring LogPath() {
  std::wstring path = Environment(L"ADO_STAND_IN_LOG");
  if (!path.empty()) return path;
  wchar_t module[MAX_PATH];
  DWORD length = GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), module, MAX_PATH);
  path.assign(module, length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"ado-stand-in.log";
}

std::wstring Quoted(const wchar_t* text, UINT length) {
  std::wstring quoted = L"\"";
  for (UINT i = 0; i < length; ++i) {
    wchar_t c = text[i];
    switch (c) {
      case L'\\':
        quoted += L"\\\\";
        break;
      case L'"':
        quoted += L"\\\"";
        break;
      case L'\r':
        quoted += L"\\r";
        break;
      case L'\n':
        quoted += L"\\n";
        break;
      case L'\t':
        quoted += L"\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          wchar_t escape[8];
          std::swprintf(escape, 8, L"\\x%02X", static_cast<unsigned>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + L"\"";
}

}  // namespace

void WriteLogLine(const std::wstring& line) {
  // Opened for every line, so that the record survives however the process ends.
  HANDLE file = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes = WideToUtf8(line) + "\n";
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

bool ShouldFail(const std::wstring& call) {
  std::wstring list = L"," + Environment(L"ADO_STAND_IN_FAIL") + L",";
  return list.find(L"," + call + L",") != std::wstring::npos;
}

std::wstring FailureText() {
  std::wstring text = Environment(L"ADO_STAND_IN_ERROR");
  return text.empty() ? L"The stand-in refused the call." : text;
}

std::wstring Describe(const VARIANT& value) {
  const VARIANT& v = value.vt == (VT_BYREF | VT_VARIANT) ? *value.pvarVal : value;
  switch (v.vt) {
    case VT_I4:
      return std::to_wstring(v.lVal);
    case VT_BSTR:
      return Quoted(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
    case VT_ERROR:
      return v.scode == DISP_E_PARAMNOTFOUND ? L"(missing)" : L"error " + std::to_wstring(v.scode);
    case VT_EMPTY:
      return L"(empty)";
    case VT_I2:
      return L"I2 " + std::to_wstring(v.iVal);
    case VT_BOOL:
      return v.boolVal ? L"True" : L"False";
    case VT_DISPATCH:
      return v.pdispVal ? L"(object)" : L"Nothing";
    default:
      return L"(type " + std::to_wstring(v.vt) + L")";
  }
}
