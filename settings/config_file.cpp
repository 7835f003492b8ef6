#include "settings/config_file.h"

#include "platform/executable_path.h"
#include "platform/profile.h"

const std::string ConfigFileName = "Arvel.ini";

std::string ConfigFilePath() {
  return DirectoryOf(ExecutablePath()) + ConfigFileName;
}

namespace {
bool IsControlOrBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
}  // namespace

std::string TrimBlanks(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsControlOrBlank(text[first])) ++first;
  while (last > first && IsControlOrBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool IsBlank(const std::string& text) {
  return TrimBlanks(text).empty();
}

void ReadConfigValue(const std::string& Section, const std::string& Key, const std::string& Default,
                     std::string& Value) {
  Value = ReadProfileString(ConfigFilePath(), Section, Key, Default);
  if (IsBlank(Value)) Value = Default;
}
