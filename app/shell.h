// The main window's creation path, shared by the Windows and the console build.
#ifndef UNLIMIT_APP_SHELL_H_
#define UNLIMIT_APP_SHELL_H_

#include <string>

#include "platform/application.h"
#include "platform/data_access.h"

// The main window's creation handler: runs the alteration job and nothing else.
void FormCreate(TApplication& application, TDataAccess& dataAccess);

// Runs FormCreate as the window's creation does: a failure that escapes it is shown in the
// error box with its own text, and creation completes.
void CreateMainForm(TApplication& application, TDataAccess& dataAccess);

// `text` with a full stop appended when its last character sorts after the full stop.
std::string WithClosingFullStop(const std::string& text);

#endif  // UNLIMIT_APP_SHELL_H_
