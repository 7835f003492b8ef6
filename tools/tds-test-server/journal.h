// Appends one JSON object per line to the journal file (format in main.cpp). Each event is
// written with a single write() under a lock, so lines from concurrent connections never mix and
// a reader polling the file sees whole lines only.
#pragma once

#include <mutex>
#include <string>

#include "tools/tds-test-server/json_writer.h"
#include "tools/tds-test-server/unique_fd.h"

namespace tds {

class Journal {
 public:
  // A journal that records nothing.
  Journal() = default;
  // Opens (creating, appending) path; throws std::runtime_error on failure.
  explicit Journal(const std::string& path);

  void write(const JsonObject& event);

 private:
  std::mutex mutex_;
  UniqueFd fd_;
};

}  // namespace tds
