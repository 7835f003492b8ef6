// One client's conversation: PRELOGIN, LOGIN7, then SQL batches and attentions. It does no I/O;
// the connection feeds it complete messages and sends what it returns, which keeps the protocol
// logic testable and fuzzable without sockets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/tds-test-server/batch_executor.h"
#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/journal.h"
#include "tools/tds-test-server/packet.h"
#include "tools/tds-test-server/shared_state.h"

namespace tds {

struct Reply {
  Bytes payload;       // PRELOGIN options or a token stream, sent as a type 0x04 message
  bool close = false;  // close the connection once the reply is sent
  const char* close_reason = "";
  bool batch = false;      // answers a SQL batch; the batch fault modes act on these only
  bool logged_in = false;  // completes a successful login
  bool attention = false;  // acknowledges an attention
};

class Session {
 public:
  Session(SharedState& state, Journal& journal, int connection_id);

  // Throws ProtocolError for a message that has no place in the conversation or is malformed.
  Reply handle(const Message& message);

  std::size_t packet_size() const { return packet_size_; }
  std::uint16_t spid() const { return context_.spid; }

 private:
  enum class Phase { kNew, kPreloginDone, kLoggedIn };

  Reply prelogin(const Message& message);
  Reply login(const Message& message);
  Reply batch(const Message& message);
  Reply attention();
  Reply unsupported(const char* what);

  SharedState& state_;
  Journal& journal_;
  int connection_id_;
  Phase phase_ = Phase::kNew;
  std::size_t packet_size_ = 4096;  // until the login negotiates another
  SessionContext context_;
};

}  // namespace tds
