#include "tools/tds-test-server/socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <system_error>

namespace tds {
namespace {

[[noreturn]] void throw_errno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

UniqueFd listen_on_loopback(std::uint16_t port, int backlog) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) throw_errno("socket");
  const int on = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    throw_errno("bind 127.0.0.1");
  }
  if (::listen(fd.get(), backlog) != 0) throw_errno("listen");
  return fd;
}

std::uint16_t local_port(int socket_fd) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (::getsockname(socket_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    throw_errno("getsockname");
  }
  return ntohs(addr.sin_port);
}

Pipe make_pipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw_errno("pipe2");
  return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

Wait wait_readable(int fd, int stop_fd, int timeout_ms) {
  pollfd fds[2] = {{stop_fd, POLLIN, 0}, {fd, POLLIN, 0}};
  for (;;) {
    const int n = ::poll(fds, 2, timeout_ms);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw_errno("poll");
    if (n == 0) return Wait::kTimeout;
    if (fds[0].revents != 0) return Wait::kStopped;
    return Wait::kReady;  // readable, or an error/hang-up that the next read reports
  }
}

bool send_all(int fd, ByteView data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void configure_accepted(int fd, int send_timeout_ms) {
  timeval tv{};
  tv.tv_sec = send_timeout_ms / 1000;
  tv.tv_usec = (send_timeout_ms % 1000) * 1000;
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace tds
