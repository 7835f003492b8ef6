// The main window as it was designed, at 96 pixels per inch. The window code takes its
// class, place, size, caption and background from here.
#ifndef UNLIMIT_RESOURCES_MAIN_FORM_H_
#define UNLIMIT_RESOURCES_MAIN_FORM_H_

#include <windows.h>

struct TFormDescription {
  const wchar_t* ClassName;
  const wchar_t* Name;
  int Left;  // outer rectangle, in pixels
  int Top;
  int Width;
  int Height;
  const wchar_t* Caption;
  int Color;  // a system colour index
  // The form has no controls, so its font only records the design.
  const wchar_t* FontName;
  int FontHeight;
  int PixelsPerInch;
  int TextHeight;
  const char* OnCreate;  // the creation handler: runs the job
};

inline constexpr TFormDescription MainFormDescription = {
    .ClassName = L"TForm1",
    .Name = L"Form1",
    .Left = 571,
    .Top = 324,
    .Width = 338,
    .Height = 214,
    .Caption = L"Form1",
    .Color = COLOR_BTNFACE,  // clBtnFace
    .FontName = L"MS Sans Serif",
    .FontHeight = -11,
    .PixelsPerInch = 96,
    .TextHeight = 13,
    .OnCreate = "FormCreate",
};

// The main window icon's resource name.
inline constexpr wchar_t MainIconName[] = L"MAINICON";

#endif  // UNLIMIT_RESOURCES_MAIN_FORM_H_
