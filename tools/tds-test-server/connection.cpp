#include "tools/tds-test-server/connection.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <iterator>

#include "tools/tds-test-server/socket_io.h"

namespace tds {
namespace {

constexpr const char* kFaultNames[] = {
    "none",         "no-answer", "close-after-prelogin", "close-after-login", "close-mid-reply",
    "garbage-reply"};

// Not a token any client knows (0xDE), so the client must give up on the reply.
Bytes garbage_payload() {
  Bytes garbage;
  for (int i = 0; i < 8; ++i) garbage.insert(garbage.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  return garbage;
}

}  // namespace

const char* fault_name(Fault fault) {
  return kFaultNames[static_cast<int>(fault)];
}

std::optional<Fault> parse_fault(const std::string& name) {
  for (int i = 0; i < static_cast<int>(std::size(kFaultNames)); ++i) {
    if (name == kFaultNames[i]) return static_cast<Fault>(i);
  }
  return std::nullopt;
}

Connection::Connection(UniqueFd socket, int id, const ConnectionConfig& config, SharedState& state,
                       Journal& journal, int stop_fd)
    : socket_(std::move(socket)),
      id_(id),
      config_(config),
      journal_(journal),
      stop_fd_(stop_fd),
      session_(state, journal, id) {}

void Connection::run() {
  journal_.write(JsonObject().add("event", "connect").add("conn", id_));
  Closed closed{"client closed", ""};
  try {
    for (;;) {
      const Message message = next_message();
      if (config_.fault == Fault::kNoAnswer) continue;
      Reply reply = session_.handle(message);
      if (config_.delay_ms > 0 && !reply.attention && delay_reply()) {
        // The client cancelled while we were "working": drop the reply, acknowledge instead.
        reply = session_.handle(Message{PacketType::kAttention, {}});
      }
      if (reply.batch &&
          (config_.fault == Fault::kCloseMidReply || config_.fault == Fault::kGarbageReply)) {
        send_faulty(reply);
        continue;
      }
      send(reply);
      if (reply.close) throw Closed{reply.close_reason, ""};
      if ((config_.fault == Fault::kCloseAfterPrelogin && message.type == PacketType::kPrelogin) ||
          (config_.fault == Fault::kCloseAfterLogin && reply.logged_in)) {
        throw Closed{"fault", fault_name(config_.fault)};
      }
    }
  } catch (const Closed& c) {
    closed = c;
  } catch (const ProtocolError& e) {
    closed = {"malformed", e.what()};
  } catch (const std::exception& e) {
    // Out of memory, say: lose this connection, not the server.
    closed = {"internal error", e.what()};
  }
  JsonObject event;
  event.add("event", "close").add("conn", id_).add("reason", closed.reason);
  if (!closed.detail.empty()) event.add("detail", closed.detail);
  journal_.write(event);
}

void Connection::send_faulty(const Reply& reply) {
  if (config_.fault == Fault::kGarbageReply) {
    journal_.write(
        JsonObject().add("event", "fault").add("conn", id_).add("fault", "garbage-reply"));
    const Bytes garbage = frame_message(PacketType::kTabularResult, garbage_payload(),
                                        session_.packet_size(), session_.spid());
    if (!send_all(socket_.get(), garbage)) throw Closed{"write failed", ""};
    return;
  }
  // Half of the reply: the client has a started packet or token it can never finish.
  const Bytes framed = frame_message(PacketType::kTabularResult, reply.payload,
                                     session_.packet_size(), session_.spid());
  send_all(socket_.get(), ByteView(framed).first(std::max<std::size_t>(1, framed.size() / 2)));
  throw Closed{"fault", fault_name(config_.fault)};
}

Message Connection::next_message() {
  for (;;) {
    if (!backlog_.empty()) {
      Message m = std::move(backlog_.front());
      backlog_.pop_front();
      backlog_bytes_ -= m.payload.size() + kPacketHeaderSize;
      return m;
    }
    if (std::optional<Message> m = reader_.next()) return std::move(*m);
    receive(config_.idle_timeout_ms);
  }
}

void Connection::receive(int timeout_ms) {
  switch (wait_readable(socket_.get(), stop_fd_, timeout_ms)) {
    case Wait::kStopped:
      throw Closed{"server stopping", ""};
    case Wait::kTimeout:
      throw Closed{"idle timeout", reader_.mid_message() ? "in the middle of a message" : ""};
    case Wait::kReady:
      break;
  }
  std::uint8_t buffer[65536];
  const ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, 0);
  if (n == 0) {
    throw Closed{"client closed", reader_.mid_message() ? "in the middle of a message" : ""};
  }
  if (n < 0) throw Closed{"read failed", ""};
  reader_.feed(ByteView(buffer, static_cast<std::size_t>(n)));
}

bool Connection::delay_reply() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(config_.delay_ms);
  for (;;) {
    while (std::optional<Message> m = reader_.next()) {
      if (m->type == PacketType::kAttention) return true;
      backlog_bytes_ += m->payload.size() + kPacketHeaderSize;
      // A client that keeps sending while it should wait must not fill our memory.
      if (backlog_bytes_ > kMaxMessageSize) {
        throw ProtocolError("more than 1 MiB sent while waiting for a reply");
      }
      backlog_.push_back(std::move(*m));
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return false;
    try {
      receive(static_cast<int>(left));
    } catch (const Closed& c) {
      if (c.reason != "idle timeout") throw;
      return false;  // the delay is over
    }
  }
}

void Connection::send(const Reply& reply) {
  const Bytes framed = frame_message(PacketType::kTabularResult, reply.payload,
                                     session_.packet_size(), session_.spid());
  if (!send_all(socket_.get(), framed)) throw Closed{"write failed", ""};
}

}  // namespace tds
