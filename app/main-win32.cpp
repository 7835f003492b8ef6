// The Windows program: one main window whose creation runs the job while it is still hidden,
// then the message loop until the job's (or the user's) termination request.
#include <windows.h>

#include "app/shell.h"
#include "platform/com-win32.h"
#include "resources/main_form.h"

// The main window, once created.
HWND Form1 = nullptr;

namespace {

// What the creation handler needs, handed over through CreateWindowExW.
struct TMainFormContext {
  TApplication& application;
  TDataAccess& dataAccess;
};

LRESULT CALLBACK MainFormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      Form1 = window;
      auto* context =
          static_cast<TMainFormContext*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      // Catches everything, so no exception crosses into the system's code.
      CreateMainForm(context->application, context->dataAccess);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

bool RegisterMainFormClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainFormProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MainIconName);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(MainFormDescription.Color + 1);
  windowClass.lpszClassName = MainFormDescription.ClassName;
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  TComApartment apartment;
  std::unique_ptr<TApplication> application = CreateApplication();
  std::unique_ptr<TDataAccess> dataAccess = CreateDataAccess();
  if (!RegisterMainFormClass(instance)) return 1;

  TMainFormContext context{*application, *dataAccess};
  const TFormDescription& form = MainFormDescription;
  if (!CreateWindowExW(0, form.ClassName, form.Caption, WS_OVERLAPPEDWINDOW, form.Left, form.Top,
                       form.Width, form.Height, nullptr, nullptr, instance, &context)) {
    return 1;
  }
  ShowWindow(Form1, showCommand);
  return application->Run();
}
