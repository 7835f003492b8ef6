// The profile-string service behind INI files. Windows has its own; elsewhere we read the
// file ourselves by the Windows rules, because deployed files were written for them.
#ifndef UNLIMIT_PLATFORM_PROFILE_H_
#define UNLIMIT_PLATFORM_PROFILE_H_

#include <string>

// The value of `key` in `section` of the INI file at `path`, converted to UTF-8, or
// `defaultValue` when the file, section or key is absent. A value is cut at 2,047 bytes of
// the file's own encoding, never inside a character. Never fails.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue);

#endif  // UNLIMIT_PLATFORM_PROFILE_H_
