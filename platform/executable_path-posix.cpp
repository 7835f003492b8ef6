#include "platform/executable_path.h"

#include <limits.h>
#include <unistd.h>

#include <vector>

std::string ExecutablePath() {
  // The kernel's link names the running image wherever it was started from.
  std::vector<char> buffer(PATH_MAX);
  for (int attempt = 0; attempt < 4; ++attempt) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
