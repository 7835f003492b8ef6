#include "platform/application.h"

#include <windows.h>

#include "platform/executable_path.h"
#include "platform/text_encoding-win32.h"

namespace {

// The executable's file name cut at its first full stop, every character after the first
// lower-cased by the system's own case rules (MYTOOL.V2.EXE gives Mytool).
std::wstring TitleFromFileName(const std::wstring& fileName) {
  std::wstring name = fileName.substr(0, fileName.find(L'.'));
  std::size_t first = name.empty() ? 0 : IS_HIGH_SURROGATE(name[0]) ? 2 : 1;
  if (first < name.size()) {
    CharLowerBuffW(name.data() + first, static_cast<DWORD>(name.size() - first));
  }
  return name;
}

// Messages are shown without an owner window, so the system centres them on the screen.
class TWindowsApplication : public TApplication {
 public:
  std::string Title() const override {
    std::string path = ExecutablePath();
    return WideToUtf8(TitleFromFileName(Utf8ToWide(path.substr(DirectoryOf(path).size()))));
  }

  void ShowMessage(const std::string& text, TMessageKind) override {
    Show(text, MB_OK | MB_TASKMODAL);
  }

  void Terminate() override {
    if (!terminating_) PostQuitMessage(0);
    terminating_ = true;
  }

  void ShowErrorBox(const std::string& text) override { Show(text, MB_OK | MB_ICONSTOP); }

  int Run() override {
    MSG message = {};
    BOOL received;
    while ((received = GetMessageW(&message, nullptr, 0, 0)) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return received == 0 ? static_cast<int>(message.wParam) : 1;
  }

 private:
  void Show(const std::string& text, UINT style) {
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(Title()).c_str(), style);
  }

  bool terminating_ = false;
};

}  // namespace

std::unique_ptr<TApplication> CreateApplication() {
  return std::make_unique<TWindowsApplication>();
}
