#include "tools/tds-test-server/test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "tools/tds-test-server/client_messages.h"

namespace tds {
namespace {

using Clock = std::chrono::steady_clock;

int ms_left(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& args) {
  std::string pattern = std::filesystem::temp_directory_path() / "tds-test-server.XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;

  std::vector<std::string> argv = {TDS_TEST_SERVER_EXECUTABLE, "--catalog",
                                   TDS_TEST_SERVER_SAMPLE_CATALOG, "--journal",
                                   folder_ + "/journal"};
  for (std::string arg : args) {
    if (const std::size_t at = arg.find("{folder}"); at != std::string::npos) {
      arg.replace(at, 8, folder_);
    }
    argv.push_back(arg);
  }
  // Diagnostics go to this test's own standard error; the first line of output is the port.
  child_.emplace(TChildOptions{argv, "", EnvironmentWith({}), "", ""});
  const std::string line = child_->ReadFirstLine(std::chrono::seconds(10)).value_or("");
  port_ = static_cast<std::uint16_t>(std::atoi(line.c_str()));
  if (port_ == 0) {
    terminate();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    throw std::runtime_error("server printed no port: '" + line + "'");
  }
}

ServerProcess::~ServerProcess() {
  if (!exited_) {
    // A sanitizer report or a crash while serving shows up here. A server that does not stop
    // is killed when the child goes away.
    EXPECT_EQ(terminate(), 0) << "tds-test-server did not stop cleanly on SIGTERM";
  }
  child_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

int ServerProcess::terminate(int timeout_ms) {
  if (exited_) return -1;
  child_->Signal(SIGTERM);
  return wait_exit(timeout_ms);
}

int ServerProcess::wait_exit(int timeout_ms) {
  if (exited_) return -1;
  const std::optional<int> status = child_->Wait(std::chrono::milliseconds(timeout_ms));
  exited_ = status.has_value();
  return status.value_or(-1);
}

std::vector<std::string> ServerProcess::journal() const {
  std::vector<std::string> lines;
  std::ifstream in(folder_ + "/journal");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string ServerProcess::wait_for_journal(const std::vector<std::string>& needles,
                                            int timeout_ms) const {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    for (const std::string& line : journal()) {
      bool all = true;
      for (const std::string& n : needles) all = all && line.find(n) != std::string::npos;
      if (all) return line;
    }
    if (ms_left(until) == 0) return "";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TestClient::TestClient(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (!fd_ || ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
  }
}

void TestClient::send(ByteView raw) {
  std::size_t done = 0;
  while (done < raw.size()) {
    const ssize_t n = ::send(fd_.get(), raw.data() + done, raw.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void TestClient::send_message(PacketType type, ByteView payload) {
  send(frame_message(type, payload, 4096, 0));
}

bool TestClient::receive(int timeout_ms) {
  if (eof_) return false;
  pollfd p{fd_.get(), POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return false;
  std::uint8_t chunk[16384];
  const ssize_t n = ::recv(fd_.get(), chunk, sizeof chunk, 0);
  if (n <= 0) {
    eof_ = true;
    return false;
  }
  buffer_.insert(buffer_.end(), chunk, chunk + n);
  return true;
}

std::optional<Bytes> TestClient::reply(int timeout_ms) {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  Bytes message;
  std::size_t pos = 0;
  for (;;) {
    while (buffer_.size() - pos >= kPacketHeaderSize) {
      const std::size_t length = (buffer_[pos + 2] << 8) | buffer_[pos + 3];
      if (length < kPacketHeaderSize || buffer_.size() - pos < length) break;
      const bool last = (buffer_[pos + 1] & kStatusEndOfMessage) != 0;
      message.insert(message.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                     buffer_.begin() + static_cast<std::ptrdiff_t>(pos + length));
      pos += length;
      if (last) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos));
        return message;
      }
    }
    if (!receive(ms_left(until))) return std::nullopt;
  }
}

bool TestClient::closed_by_server(int timeout_ms) {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!eof_) {
    if (!receive(ms_left(until)) && !eof_) return false;
  }
  return true;
}

bool TestClient::silent_for(int ms) {
  return !receive(ms) && !eof_;
}

Bytes TestClient::login(const std::string& user, const std::string& password,
                        const std::string& database) {
  send_message(PacketType::kPrelogin, build_prelogin(0));
  if (!reply()) throw std::runtime_error("no PRELOGIN reply");
  LoginRequest r;
  r.user = user;
  r.password = password;
  r.database = database;
  send_message(PacketType::kLogin7, build_login7(r));
  std::optional<Bytes> tokens = reply();
  if (!tokens) throw std::runtime_error("no LOGIN7 reply");
  return *tokens;
}

Bytes TestClient::batch(const std::string& sql) {
  send_message(PacketType::kSqlBatch, build_batch(sql));
  return reply().value_or(Bytes{});
}

}  // namespace tds
