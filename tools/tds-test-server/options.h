// The command line (documented in main.cpp).
#pragma once

#include <string>
#include <vector>

#include "tools/tds-test-server/server.h"
#include "tools/tds-test-server/shared_state.h"

namespace tds {

struct Options {
  std::string catalog_file;
  std::string journal_file;
  std::string state_file;
  ServerConfig server;
  std::vector<InjectedFailure> failures;
};

// Throws std::invalid_argument with a message for the user.
Options parse_options(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace tds
