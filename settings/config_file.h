// The program's one source of configuration: an INI file beside the executable.
#ifndef UNLIMIT_SETTINGS_CONFIG_FILE_H_
#define UNLIMIT_SETTINGS_CONFIG_FILE_H_

#include <string>

// The bare file name, without a directory.
extern const std::string ConfigFileName;

// The executable's own directory (as the operating system reports it, never the working
// directory) followed by ConfigFileName.
std::string ConfigFilePath();

// Reads `Key` of `Section` from the configuration file anew on every call. `Value` gets
// `Default` when the file, section or key is absent or the value is blank (only characters
// up to and including the blank); otherwise the value exactly as the reader returned it.
void ReadConfigValue(const std::string& Section, const std::string& Key, const std::string& Default,
                     std::string& Value);

// True when `text` holds nothing but characters with codes up to that of the blank.
bool IsBlank(const std::string& text);

// `text` without the characters with codes up to that of the blank at either end.
std::string TrimBlanks(const std::string& text);

#endif  // UNLIMIT_SETTINGS_CONFIG_FILE_H_
