// TDS packet framing: the 8-byte header (length and SPID big-endian), reassembly of a client's
// packets into messages, and splitting of server replies into packets of the negotiated size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "tools/tds-test-server/byte_buffer.h"

namespace tds {

enum class PacketType : std::uint8_t {
  kSqlBatch = 0x01,
  kRpc = 0x03,
  kTabularResult = 0x04,
  kAttention = 0x06,
  kTransactionManager = 0x0E,
  kLogin7 = 0x10,
  kSspi = 0x11,
  kPrelogin = 0x12,
};

constexpr std::size_t kPacketHeaderSize = 8;
constexpr std::uint8_t kStatusEndOfMessage = 0x01;
constexpr std::uint8_t kStatusIgnore = 0x02;  // the client abandons the message it was sending
// The largest packet a client may negotiate; nothing bigger is ever legitimate.
constexpr std::size_t kMaxPacketSize = 32767;
// Far above anything the tool or the test clients send; bounds memory per connection.
constexpr std::size_t kMaxMessageSize = 1 << 20;

struct Message {
  PacketType type;
  Bytes payload;
};

// Reassembles messages from whatever chunks the socket delivers. Throws ProtocolError on a bad
// header, a packet type a client never sends, a type change inside a message or a message over
// the size cap, so a hostile peer costs at most one packet plus one capped message of memory.
class PacketReader {
 public:
  explicit PacketReader(std::size_t max_message = kMaxMessageSize) : max_message_(max_message) {}

  void feed(ByteView chunk);
  std::optional<Message> next();
  // True while received bytes do not yet form a complete message.
  bool mid_message() const { return !pending_.empty() || in_message_; }

 private:
  void take_packet(std::uint8_t type, std::uint8_t status, ByteView payload);

  std::size_t max_message_;
  Bytes pending_;  // bytes of a packet whose end has not arrived
  bool in_message_ = false;
  std::uint8_t message_type_ = 0;
  Bytes message_;
  std::deque<Message> ready_;
};

// Splits a reply into packets of at most packet_size bytes, the last one flagged end-of-message.
Bytes frame_message(PacketType type, ByteView payload, std::size_t packet_size, std::uint16_t spid);

bool is_client_packet_type(std::uint8_t type);

}  // namespace tds
