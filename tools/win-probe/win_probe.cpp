// Starts a program and watches its windows from outside, as a user would see them:
//   win-probe [--timeout SECONDS] [--close-main] [--hold FILE] -- PROGRAM [ARGUMENT...]
// Each message box of the program is reported on a line of its own and then acknowledged
// with OK; with --hold the probe first waits until FILE exists (time for a screenshot).
// With --close-main the visible main window (class TForm1) is reported and closed. The last
// line is the program's exit status, or "timeout" when it outlived the timeout (it is then
// ended). Output is UTF-8, one line per event:
//   box caption="..." text="..." buttons="OK,..." icon=yes|no centred=yes|no
//   main caption="..." rect=LEFT,TOP,WIDTH,HEIGHT visible=1 frame=overlapped|other
//        background=btnface|other icon=yes|no
//   exit STATUS
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMilliseconds = 50;

void Print(const std::wstring& line) {
  std::wstring text = line + L"\n";
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

std::wstring Quoted(const std::wstring& text) {
  std::wstring quoted = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') quoted += L'\\';
    if (c == L'\n') {
      quoted += L"\\n";
    } else if (c == L'\r') {
      quoted += L"\\r";
    } else {
      quoted += c;
    }
  }
  return quoted + L"\"";
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  std::vector<wchar_t> text(GetWindowTextLengthW(window) + 1);
  GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

struct TWindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindowOfProcess(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TWindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  TWindowSearch search{processId, {}};
  EnumWindows(CollectVisibleWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
  return children;
}

// By command rather than label, which follows the system's language.
std::wstring ButtonName(int command) {
  switch (command) {
    case IDOK:
      return L"OK";
    case IDCANCEL:
      return L"Cancel";
    case IDABORT:
      return L"Abort";
    case IDRETRY:
      return L"Retry";
    case IDIGNORE:
      return L"Ignore";
    case IDYES:
      return L"Yes";
    case IDNO:
      return L"No";
    default:
      return L"#" + std::to_wstring(command);
  }
}

// Within a few pixels, which rounding of odd sizes may take.
bool IsCentredOnScreen(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  int dx = (r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
  int dy = (r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
  return dx >= -3 && dx <= 3 && dy >= -3 && dy <= 3;
}

void ReportMessageBox(HWND box) {
  wchar_t text[4096] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 4096);
  std::wstring buttons;
  bool icon = false;
  for (HWND child : ChildrenOf(box)) {
    if (!IsWindowVisible(child)) continue;
    std::wstring kind = ClassOf(child);
    if (CompareStringOrdinal(kind.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
      buttons += (buttons.empty() ? L"" : L",") + ButtonName(GetDlgCtrlID(child));
    } else if (CompareStringOrdinal(kind.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
               SendMessageW(child, STM_GETICON, 0, 0) != 0) {
      icon = true;
    }
  }
  Print(L"box caption=" + Quoted(TextOf(box)) + L" text=" + Quoted(text) + L" buttons=" +
        Quoted(buttons) + L" icon=" + (icon ? L"yes" : L"no") + L" centred=" +
        (IsCentredOnScreen(box) ? L"yes" : L"no"));
}

// The colour the window's client area shows at its centre, once painted. Class data of
// another process's window is not readable everywhere, but what it paints is.
bool ShowsButtonFace(HWND window) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT centre = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ClientToScreen(window, &centre);
    HDC screen = GetDC(nullptr);
    COLORREF shown = GetPixel(screen, centre.x, centre.y);
    ReleaseDC(nullptr, screen);
    if (shown == GetSysColor(COLOR_BTNFACE)) return true;
    Sleep(kPollMilliseconds);
  }
  return false;
}

// Whether the caption shows the program's own icon rather than the system's default: the
// green of its arrow appears at the caption's left. (The class's icon handle of another
// process's window cannot be read everywhere.)
bool ShowsProgramIcon(HWND window) {
  constexpr COLORREF kArrowGreen = RGB(0, 128, 0);
  int width = 2 * GetSystemMetrics(SM_CXSMICON) + 2 * GetSystemMetrics(SM_CXFRAME);
  int height = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  for (int attempt = 0; attempt < 40; ++attempt) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    HDC screen = GetDC(nullptr);
    bool found = false;
    for (int y = frame.top; y < frame.top + height && !found; ++y) {
      for (int x = frame.left; x < frame.left + width && !found; ++x) {
        found = GetPixel(screen, x, y) == kArrowGreen;
      }
    }
    ReleaseDC(nullptr, screen);
    if (found) return true;
    Sleep(kPollMilliseconds);
  }
  return false;
}

void ReportMainWindow(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  Print(L"main caption=" + Quoted(TextOf(window)) + L" rect=" + std::to_wstring(r.left) + L"," +
        std::to_wstring(r.top) + L"," + std::to_wstring(r.right - r.left) + L"," +
        std::to_wstring(r.bottom - r.top) + L" visible=" + (IsWindowVisible(window) ? L"1" : L"0") +
        L" frame=" +
        ((style & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW ? L"overlapped" : L"other") +
        L" background=" + (ShowsButtonFace(window) ? L"btnface" : L"other") + L" icon=" +
        (ShowsProgramIcon(window) ? L"yes" : L"no"));
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

struct TOptions {
  DWORD timeoutMilliseconds = 20000;
  bool closeMain = false;
  std::wstring holdFile;
  std::wstring commandLine;
};

bool ParseOptions(int count, wchar_t** arguments, TOptions& options) {
  int i = 1;
  for (; i < count; ++i) {
    std::wstring argument = arguments[i];
    if (argument == L"--") break;
    if (argument == L"--close-main") {
      options.closeMain = true;
    } else if (argument == L"--timeout" && i + 1 < count) {
      options.timeoutMilliseconds = static_cast<DWORD>(_wtoi(arguments[++i])) * 1000;
    } else if (argument == L"--hold" && i + 1 < count) {
      options.holdFile = arguments[++i];
    } else {
      return false;
    }
  }
  for (++i; i < count; ++i) {
    options.commandLine +=
        (options.commandLine.empty() ? L"" : L" ") + QuotedArgument(arguments[i]);
  }
  return !options.commandLine.empty();
}

// Handles of a started process, closed on the way out.
struct TProcess {
  PROCESS_INFORMATION info = {};
  ~TProcess() {
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
  }
};

}  // namespace

int wmain(int count, wchar_t** arguments) {
  TOptions options;
  if (!ParseOptions(count, arguments, options)) {
    Print(L"usage: win-probe [--timeout SECONDS] [--close-main] [--hold FILE] -- PROGRAM [ARG...]");
    return 2;
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  TProcess process;
  if (!CreateProcessW(nullptr, options.commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process.info)) {
    Print(L"cannot start: error " + std::to_wstring(GetLastError()));
    return 2;
  }

  const ULONGLONG deadline = GetTickCount64() + options.timeoutMilliseconds;
  std::set<HWND> reported;
  bool mainClosed = false;
  while (GetTickCount64() < deadline) {
    if (WaitForSingleObject(process.info.hProcess, kPollMilliseconds) == WAIT_OBJECT_0) {
      DWORD status = 0;
      GetExitCodeProcess(process.info.hProcess, &status);
      Print(L"exit " + std::to_wstring(status));
      return 0;
    }
    bool boxOpen = false;
    for (HWND window : TopLevelWindowsOf(process.info.dwProcessId)) {
      std::wstring kind = ClassOf(window);
      if (kind == L"#32770") {
        boxOpen = true;
        if (!reported.insert(window).second) continue;
        ReportMessageBox(window);
        while (!options.holdFile.empty() && !FileExists(options.holdFile) &&
               GetTickCount64() < deadline) {
          Sleep(kPollMilliseconds);
        }
        HWND ok = GetDlgItem(window, IDOK);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ok));
      }
    }
    if (options.closeMain && !mainClosed && !boxOpen) {
      for (HWND window : TopLevelWindowsOf(process.info.dwProcessId)) {
        if (ClassOf(window) != L"TForm1") continue;
        ReportMainWindow(window);
        PostMessageW(window, WM_CLOSE, 0, 0);
        mainClosed = true;
      }
    }
  }
  Print(L"timeout");
  TerminateProcess(process.info.hProcess, 99);
  WaitForSingleObject(process.info.hProcess, 5000);
  return 1;
}
