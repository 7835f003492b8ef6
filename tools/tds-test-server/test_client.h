// Runs the real tds-test-server executable for one test and talks raw TDS to it over loopback.
// Every wait is bounded so a broken server fails the test instead of hanging it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/packet.h"
#include "tools/tds-test-server/unique_fd.h"

namespace tds {

class ServerProcess {
 public:
  // Starts the server with the sample catalog, a journal in a fresh temporary folder and args;
  // "{folder}" in an argument stands for that folder.
  explicit ServerProcess(const std::vector<std::string>& args = {});
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  std::uint16_t port() const { return port_; }
  const std::string& folder() const { return folder_; }

  // Sends SIGTERM and returns the exit status, or -1 if it did not exit within the timeout.
  int terminate(int timeout_ms = 5000);
  int wait_exit(int timeout_ms);

  std::vector<std::string> journal() const;
  // Waits until a journal line contains every needle; returns that line or "".
  std::string wait_for_journal(const std::vector<std::string>& needles,
                               int timeout_ms = 5000) const;

 private:
  std::string folder_;
  std::optional<TChildProcess> child_;
  bool exited_ = false;
  std::uint16_t port_ = 0;
};

class TestClient {
 public:
  explicit TestClient(std::uint16_t port);

  // Raw bytes; send errors are ignored because hostile-input tests expect the server to hang up.
  void send(ByteView raw);
  void send_message(PacketType type, ByteView payload);

  // One complete reply message, or nothing if the server closed or stayed silent first.
  std::optional<Bytes> reply(int timeout_ms = 5000);
  // True if the server closes the connection within the timeout (any bytes are discarded).
  bool closed_by_server(int timeout_ms = 5000);
  // True if nothing at all arrives for ms.
  bool silent_for(int ms);

  // PRELOGIN and LOGIN7 at TDS 7.4; returns the login reply's token stream.
  Bytes login(const std::string& user, const std::string& password, const std::string& database);
  // Sends a batch and returns its reply's token stream (empty if none arrived).
  Bytes batch(const std::string& sql);

 private:
  // Appends what arrives within timeout_ms; returns false on close or timeout.
  bool receive(int timeout_ms);

  UniqueFd fd_;
  Bytes buffer_;
  bool eof_ = false;
};

}  // namespace tds
