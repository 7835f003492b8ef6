#include "tools/tds-test-server/server.h"

#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <list>
#include <memory>
#include <thread>

namespace tds {
namespace {

struct Worker {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> finished;
};

}  // namespace

Server::Server(const ServerConfig& config, SharedState& state, Journal& journal)
    : config_(config),
      state_(state),
      journal_(journal),
      listener_(listen_on_loopback(config.port, 16)),
      port_(local_port(listener_.get())) {}

void Server::run(int signal_fd) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(config_.lifetime_ms);
  // Closing stop.write wakes every connection thread at once.
  Pipe stop = make_pipe();
  // Each finishing connection writes a byte here so the accept loop can reap it.
  Pipe finished = make_pipe();
  std::list<Worker> workers;
  int next_id = 1;

  for (;;) {
    for (auto it = workers.begin(); it != workers.end();) {
      if (*it->finished) {
        it->thread.join();
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
    int timeout_ms = -1;
    if (config_.lifetime_ms >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      timeout_ms = static_cast<int>(left);
    }
    const bool can_accept = static_cast<int>(workers.size()) < config_.max_connections;
    pollfd fds[3] = {{signal_fd, POLLIN, 0},
                     {finished.read.get(), POLLIN, 0},
                     {can_accept ? listener_.get() : -1, POLLIN, 0}};
    const int n = ::poll(fds, 3, timeout_ms);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || fds[0].revents != 0) break;
    if (fds[1].revents != 0) {
      char drain[64];
      while (::read(finished.read.get(), drain, sizeof drain) > 0) {
      }
    }
    if (fds[2].revents == 0) continue;
    UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client) continue;  // the client gave up before we got to it
    configure_accepted(client.get(), config_.connection.idle_timeout_ms);
    const int id = next_id++;
    ConnectionConfig connection = config_.connection;
    if (config_.fault_connections >= 0 && id > config_.fault_connections) {
      connection.fault = Fault::kNone;
      connection.delay_ms = 0;
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    workers.push_back(
        Worker{std::thread([this, connection, id, done, socket = std::move(client),
                            stop_fd = stop.read.get(), wake_fd = finished.write.get()]() mutable {
                 Connection(std::move(socket), id, connection, state_, journal_, stop_fd).run();
                 *done = true;
                 const char byte = 1;
                 [[maybe_unused]] ssize_t ignored = ::write(wake_fd, &byte, 1);
               }),
               done});
  }

  listener_.reset();
  stop.write.reset();
  for (Worker& w : workers) w.thread.join();
}

}  // namespace tds
