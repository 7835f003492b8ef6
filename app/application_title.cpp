#include "app/application_title.h"

std::string MakeApplicationTitle(const std::string& fileName) {
  std::string title = fileName.substr(0, fileName.find('.'));
  std::size_t first = title.empty() ? 0 : 1;
  // A UTF-8 first character runs on through its continuation bytes.
  while (first < title.size() && (static_cast<unsigned char>(title[first]) & 0xC0) == 0x80) {
    ++first;
  }
  for (std::size_t i = first; i < title.size(); ++i) {
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  }
  return title;
}
