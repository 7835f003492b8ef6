#include "tools/tds-test-server/packet.h"

#include <algorithm>
#include <string>

namespace tds {
namespace {

std::string hex(std::uint8_t v) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return std::string("0x") + kDigits[v >> 4] + kDigits[v & 0xF];
}

}  // namespace

bool is_client_packet_type(std::uint8_t type) {
  switch (static_cast<PacketType>(type)) {
    case PacketType::kSqlBatch:
    case PacketType::kRpc:
    case PacketType::kAttention:
    case PacketType::kTransactionManager:
    case PacketType::kLogin7:
    case PacketType::kSspi:
    case PacketType::kPrelogin:
      return true;
    case PacketType::kTabularResult:
      return false;
  }
  return false;
}

void PacketReader::feed(ByteView chunk) {
  pending_.insert(pending_.end(), chunk.begin(), chunk.end());
  std::size_t pos = 0;
  while (pending_.size() - pos >= kPacketHeaderSize) {
    ByteReader header(ByteView(pending_).subspan(pos, kPacketHeaderSize));
    const std::uint8_t type = header.u8();
    const std::uint8_t status = header.u8();
    const std::uint16_t length = header.u16be();
    if (type == 0x16) {
      // What a client that insists on TLS first (TDS 8, "strict") sends.
      throw ProtocolError("TLS handshake instead of a TDS packet; this server does not encrypt");
    }
    if (!is_client_packet_type(type)) {
      throw ProtocolError("packet type " + hex(type) + " is not a client message");
    }
    if (length < kPacketHeaderSize) {
      throw ProtocolError("packet length " + std::to_string(length) +
                          " is shorter than its header");
    }
    if (length > kMaxPacketSize) {
      throw ProtocolError("packet length " + std::to_string(length) + " exceeds " +
                          std::to_string(kMaxPacketSize));
    }
    if (pending_.size() - pos < length) break;
    take_packet(type, status,
                ByteView(pending_).subspan(pos + kPacketHeaderSize, length - kPacketHeaderSize));
    pos += length;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
}

void PacketReader::take_packet(std::uint8_t type, std::uint8_t status, ByteView payload) {
  if (in_message_ && type != message_type_) {
    throw ProtocolError("packet type changed from " + hex(message_type_) + " to " + hex(type) +
                        " inside one message");
  }
  if (message_.size() + payload.size() > max_message_) {
    throw ProtocolError("message exceeds " + std::to_string(max_message_) + " bytes");
  }
  in_message_ = true;
  message_type_ = type;
  message_.insert(message_.end(), payload.begin(), payload.end());
  if ((status & kStatusEndOfMessage) == 0) return;
  if ((status & kStatusIgnore) == 0) {
    ready_.push_back(Message{static_cast<PacketType>(type), std::move(message_)});
  }
  message_.clear();
  in_message_ = false;
}

std::optional<Message> PacketReader::next() {
  if (ready_.empty()) return std::nullopt;
  Message m = std::move(ready_.front());
  ready_.pop_front();
  return m;
}

Bytes frame_message(PacketType type, ByteView payload, std::size_t packet_size,
                    std::uint16_t spid) {
  const std::size_t body =
      std::clamp(packet_size, std::size_t{512}, kMaxPacketSize) - kPacketHeaderSize;
  ByteWriter out;
  std::size_t pos = 0;
  std::uint8_t packet_id = 1;
  do {
    const std::size_t n = std::min(body, payload.size() - pos);
    const bool last = pos + n == payload.size();
    out.u8(static_cast<std::uint8_t>(type));
    out.u8(last ? kStatusEndOfMessage : 0);
    out.u16be(static_cast<std::uint16_t>(n + kPacketHeaderSize));
    out.u16be(spid);
    out.u8(packet_id++);
    out.u8(0);  // window, unused
    out.bytes(payload.subspan(pos, n));
    pos += n;
  } while (pos < payload.size());
  return out.take();
}

}  // namespace tds
