// The UDP exchange with the SQL Server Browser, against a stand-in Browser on a loopback port
// the system picks.
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/instance_lookup.h"

namespace {

using Clock = std::chrono::steady_clock;

// Binds a UDP port on 127.0.0.1 and, while it lives, answers requests for `instance` with
// `tcpPort`; requests for any other instance go unanswered, as the real Browser does.
class TBrowserStub {
 public:
  TBrowserStub(std::string instance, int tcpPort) : instance_(std::move(instance)) {
    record_ = "ServerName;TEST;InstanceName;" + instance_ +
              ";IsClustered;No;Version;16.0.1000.6;tcp;" + std::to_string(tcpPort) + ";;";
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot bind a UDP port on the loopback address");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TBrowserStub() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }
  int Port() const { return port_; }
  int Requests() const { return requests_; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd readable{fd_, POLLIN, 0};
      if (poll(&readable, 1, 50) <= 0) continue;
      char request[512];
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      ssize_t length = recvfrom(fd_, request, sizeof request - 1, 0,
                                reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (length < 2 || request[0] != 0x04) continue;
      ++requests_;
      request[length] = 0;
      if (strcasecmp(request + 1, instance_.c_str()) != 0) continue;
      std::string reply = "\x05";
      reply += static_cast<char>(record_.size() & 0xFF);
      reply += static_cast<char>(record_.size() >> 8);
      reply += record_;
      sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
  }

  std::string instance_;
  std::string record_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(LookUpInstancePortTest, PortComesFromTheBrowser) {
  TBrowserStub browser("TESTINST", 41433);
  std::optional<int> port = LookUpInstancePort(
      "127.0.0.1", "testinst", Clock::now() + std::chrono::seconds(5), browser.Port());
  EXPECT_EQ(port, 41433);
}

TEST(LookUpInstancePortTest, UnknownInstanceEndsAtTheDeadlineAfterResending) {
  TBrowserStub browser("TESTINST", 41433);
  Clock::time_point start = Clock::now();
  std::optional<int> port = LookUpInstancePort(
      "127.0.0.1", "NOSUCH", start + std::chrono::milliseconds(2500), browser.Port());
  EXPECT_FALSE(port);
  EXPECT_GE(SecondsSince(start), 2.4);
  EXPECT_LE(SecondsSince(start), 3.5);
  EXPECT_GT(browser.Requests(), 1) << "a lost datagram is sent again";
}

TEST(LookUpInstancePortTest, NoBrowserFailsAtOnce) {
  int closedPort;
  {
    TBrowserStub gone("", 1);  // a port the system handed out, closed again below
    closedPort = gone.Port();
  }
  Clock::time_point start = Clock::now();
  EXPECT_FALSE(
      LookUpInstancePort("127.0.0.1", "TESTINST", start + std::chrono::seconds(10), closedPort));
  EXPECT_LE(SecondsSince(start), 2.0);
}

}  // namespace
