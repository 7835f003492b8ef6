// The application title, derived from the executable's file name because the program never
// sets one: the name cut at its first full stop, every character after the first lower-cased
// (TOOL.EXE gives Tool).
#ifndef UNLIMIT_APP_APPLICATION_TITLE_H_
#define UNLIMIT_APP_APPLICATION_TITLE_H_

#include <string>

// `fileName` has no directory. Lower-casing touches ASCII letters only; a multi-byte first
// character is kept whole.
std::string MakeApplicationTitle(const std::string& fileName);

#endif  // UNLIMIT_APP_APPLICATION_TITLE_H_
