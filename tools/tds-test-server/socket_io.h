// The few POSIX socket operations the server needs, with every descriptor owned by a UniqueFd.
#pragma once

#include <cstdint>

#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/unique_fd.h"

namespace tds {

// Listens on 127.0.0.1 only; port 0 lets the system pick. Throws std::system_error.
UniqueFd listen_on_loopback(std::uint16_t port, int backlog);
std::uint16_t local_port(int socket_fd);

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};
Pipe make_pipe();

enum class Wait { kReady, kStopped, kTimeout };
// Waits until fd is readable, stop_fd becomes readable or closed (the server is stopping), or
// timeout_ms passes (-1: no timeout).
Wait wait_readable(int fd, int stop_fd, int timeout_ms);

// Sends everything or returns false; a peer that stops reading is cut off by the send timeout
// set on accepted sockets.
bool send_all(int fd, ByteView data);

// Applies the send timeout and disables Nagle's algorithm so small replies leave at once.
void configure_accepted(int fd, int send_timeout_ms);

}  // namespace tds
