#include "tools/tds-test-server/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tds {

Journal::Journal(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {
  if (!fd_) throw std::runtime_error("cannot open journal " + path + ": " + std::strerror(errno));
}

void Journal::write(const JsonObject& event) {
  if (!fd_) return;
  const std::string line = event.str() + "\n";
  std::lock_guard lock(mutex_);
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd_.get(), line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a full disk must not take the server down; the test will notice
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace tds
