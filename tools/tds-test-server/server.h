// Accepts connections on 127.0.0.1 and serves each on its own thread, at most max_connections at
// a time; further clients wait in the listen backlog until a slot frees.
#pragma once

#include <cstdint>

#include "tools/tds-test-server/connection.h"
#include "tools/tds-test-server/journal.h"
#include "tools/tds-test-server/shared_state.h"
#include "tools/tds-test-server/socket_io.h"

namespace tds {

struct ServerConfig {
  std::uint16_t port = 0;
  int max_connections = 8;
  int lifetime_ms = -1;        // stop after this long; -1: until signalled
  int fault_connections = -1;  // the fault and delay apply to connections 1..N only; -1: all
  ConnectionConfig connection;
};

class Server {
 public:
  // Binds the listening socket; throws std::system_error.
  Server(const ServerConfig& config, SharedState& state, Journal& journal);

  std::uint16_t port() const { return port_; }

  // Serves until signal_fd becomes readable or the lifetime ends, then stops every connection
  // and waits for their threads.
  void run(int signal_fd);

 private:
  ServerConfig config_;
  SharedState& state_;
  Journal& journal_;
  UniqueFd listener_;
  std::uint16_t port_;
};

}  // namespace tds
