// The full path of the running executable as the operating system reports it (UTF-8).
#ifndef UNLIMIT_PLATFORM_EXECUTABLE_PATH_H_
#define UNLIMIT_PLATFORM_EXECUTABLE_PATH_H_

#include <string>

std::string ExecutablePath();

// Everything up to and including the last directory separator of `path`: '/' here, '\\' or
// ':' on Windows (where a forward slash does not count).
std::string DirectoryOf(const std::string& path);

#endif  // UNLIMIT_PLATFORM_EXECUTABLE_PATH_H_
