// Serves one accepted socket: reads packets with a timeout, hands complete messages to a
// Session, sends the replies, and applies the fault mode chosen for this connection.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "tools/tds-test-server/journal.h"
#include "tools/tds-test-server/packet.h"
#include "tools/tds-test-server/session.h"
#include "tools/tds-test-server/shared_state.h"
#include "tools/tds-test-server/unique_fd.h"

namespace tds {

enum class Fault {
  kNone,
  kNoAnswer,            // read everything, never reply
  kCloseAfterPrelogin,  // send the PRELOGIN reply, then close
  kCloseAfterLogin,     // send a successful login reply, then close
  kCloseMidReply,       // send half of a batch reply, then close
  kGarbageReply,        // answer batches with a packet of bytes that are no token stream
};

const char* fault_name(Fault fault);
std::optional<Fault> parse_fault(const std::string& name);

struct ConnectionConfig {
  Fault fault = Fault::kNone;
  int delay_ms = 0;             // before every reply
  int idle_timeout_ms = 30000;  // no byte from the client for this long closes the connection
};

class Connection {
 public:
  Connection(UniqueFd socket, int id, const ConnectionConfig& config, SharedState& state,
             Journal& journal, int stop_fd);

  // Runs until the client closes, a protocol error, a fault, the idle timeout or server stop.
  void run();

 private:
  struct Closed {
    std::string reason;
    std::string detail;
  };

  Message next_message();        // throws Closed
  void receive(int timeout_ms);  // reads once into reader_ or throws Closed
  // Waits out the reply delay; returns true if an attention arrived meanwhile.
  bool delay_reply();
  void send(const Reply& reply);  // throws Closed when the socket fails
  // Garbage instead of the reply, or half of it and then close (throws Closed).
  void send_faulty(const Reply& reply);

  UniqueFd socket_;
  int id_;
  ConnectionConfig config_;
  Journal& journal_;
  int stop_fd_;
  Session session_;
  PacketReader reader_;
  std::deque<Message> backlog_;  // messages that arrived while a reply was delayed
  std::size_t backlog_bytes_ = 0;
};

}  // namespace tds
