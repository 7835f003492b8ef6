#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

#include "platform/instance_lookup.h"

namespace {

using Clock = std::chrono::steady_clock;

// A lost datagram is sent again after this long, as long as the deadline allows.
constexpr std::chrono::milliseconds kResendInterval{1000};

struct AddrInfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

class TSocket {
 public:
  explicit TSocket(int fd) : fd_(fd) {}
  ~TSocket() {
    if (fd_ >= 0) close(fd_);
  }
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

enum class TAsked { aAnswered, aRefused, aTimedOut };

// One address: sends the request, resending while no answer comes, and reads datagrams until
// one describes the instance. A connected socket hears of a closed port (ICMP) as a refusal.
TAsked AskOneAddress(const addrinfo& address, const std::string& request,
                     const std::string& instance, Clock::time_point deadline, int& port) {
  TSocket socket(
      ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol));
  if (socket.get() < 0 || connect(socket.get(), address.ai_addr, address.ai_addrlen) != 0) {
    return TAsked::aRefused;
  }
  Clock::time_point nextSend = Clock::now();
  for (;;) {
    Clock::time_point now = Clock::now();
    if (now >= deadline) return TAsked::aTimedOut;
    if (now >= nextSend) {
      if (send(socket.get(), request.data(), request.size(), MSG_NOSIGNAL) < 0 &&
          errno == ECONNREFUSED) {
        return TAsked::aRefused;
      }
      nextSend = now + kResendInterval;
    }
    auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::min(nextSend, deadline) - now);
    pollfd readable{socket.get(), POLLIN, 0};
    int ready = poll(&readable, 1, static_cast<int>(wait.count()) + 1);
    if (ready < 0 && errno != EINTR) return TAsked::aRefused;
    if (ready <= 0) continue;
    char reply[65536];
    ssize_t length = recv(socket.get(), reply, sizeof reply, 0);
    if (length < 0) {
      if (errno == ECONNREFUSED) return TAsked::aRefused;
      continue;
    }
    if (std::optional<int> found = InstancePortFromReply(
            std::string_view(reply, static_cast<std::size_t>(length)), instance)) {
      port = *found;
      return TAsked::aAnswered;
    }
  }
}

}  // namespace

std::optional<int> LookUpInstancePort(const std::string& host, const std::string& instance,
                                      Clock::time_point deadline, int browserPort) {
  std::optional<std::string> request = MakeInstanceRequest(instance);
  if (!request) return std::nullopt;

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* raw = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(browserPort).c_str(), &hints, &raw) != 0) {
    return std::nullopt;
  }
  std::unique_ptr<addrinfo, AddrInfoDeleter> addresses(raw);

  // An address where nothing listens refuses at once; the next one is tried.
  for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
    int port = 0;
    switch (AskOneAddress(*address, *request, instance, deadline, port)) {
      case TAsked::aAnswered:
        return port;
      case TAsked::aTimedOut:
        return std::nullopt;
      case TAsked::aRefused:
        break;
    }
  }
  return std::nullopt;
}
