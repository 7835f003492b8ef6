#include "tools/tds-test-server/packet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/tds-test-server/client_messages.h"

namespace tds {
namespace {

Bytes payload_of(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7);
  return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(PacketReader, ReassemblesAMessageSplitOverPacketsAndReads) {
  const Bytes payload = payload_of(10000);
  // 512-byte packets, then fed one byte at a time: every boundary lands somewhere odd.
  const Bytes wire = frame_message(PacketType::kSqlBatch, payload, 512, 0);
  ASSERT_GT(wire.size(), payload.size() + 19 * kPacketHeaderSize);
  PacketReader reader;
  for (std::size_t i = 0; i < wire.size(); ++i) {
    EXPECT_FALSE(reader.next().has_value()) << "message complete early, at byte " << i;
    reader.feed(ByteView(wire).subspan(i, 1));
  }
  std::optional<Message> m = reader.next();
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->type, PacketType::kSqlBatch);
  EXPECT_EQ(m->payload, payload);
  EXPECT_FALSE(reader.mid_message());
}

TEST(PacketReader, SeparatesMessagesArrivingInOneRead) {
  const Bytes a = build_packet(PacketType::kSqlBatch, payload_of(3));
  const Bytes b = build_packet(PacketType::kAttention, {});
  PacketReader reader;
  reader.feed(concat({a, b}));
  EXPECT_EQ(reader.next()->type, PacketType::kSqlBatch);
  EXPECT_EQ(reader.next()->type, PacketType::kAttention);
  EXPECT_FALSE(reader.next().has_value());
}

TEST(PacketReader, DropsAMessageTheClientAbandons) {
  PacketReader reader;
  reader.feed(build_packet(PacketType::kSqlBatch, payload_of(5), 0));
  reader.feed(build_packet(PacketType::kSqlBatch, {}, kStatusEndOfMessage | kStatusIgnore));
  reader.feed(build_packet(PacketType::kAttention, {}));
  EXPECT_EQ(reader.next()->type, PacketType::kAttention);
  EXPECT_FALSE(reader.next().has_value());
}

TEST(PacketReader, HoldsAPartialPacket) {
  const Bytes wire = build_packet(PacketType::kSqlBatch, payload_of(100));
  PacketReader reader;
  reader.feed(ByteView(wire).first(wire.size() - 1));
  EXPECT_FALSE(reader.next().has_value());
  EXPECT_TRUE(reader.mid_message());
}

struct BadInput {
  const char* name;
  Bytes wire;
  const char* error;  // part of the ProtocolError message
};

// Keeps gtest from listing the case as raw bytes.
void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.name;
}

Bytes header(std::uint8_t type, std::uint8_t status, std::uint16_t length) {
  return {
      type, status, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0,
      1,    0};
}

// A message that never ends: 32767-byte packets without the end-of-message bit.
Bytes endless_message(std::size_t packets) {
  Bytes wire;
  for (std::size_t i = 0; i < packets; ++i) {
    wire = concat({wire, header(0x01, 0, 32767), Bytes(32767 - kPacketHeaderSize, 'x')});
  }
  return wire;
}

class PacketReaderRejects : public testing::TestWithParam<BadInput> {};

TEST_P(PacketReaderRejects, HostileInput) {
  PacketReader reader;
  try {
    reader.feed(GetParam().wire);
    FAIL() << "accepted";
  } catch (const ProtocolError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().error), std::string::npos) << e.what();
  }
}

const BadInput kBadInputs[] = {
    {"LengthShorterThanHeader", header(0x01, 1, 7), "shorter than its header"},
    {"LengthOverMaximumPacket", header(0x01, 1, 40000), "exceeds 32767"},
    {"ServerPacketType", header(0x04, 1, 8), "not a client message"},
    {"UnknownPacketType", header(0x99, 1, 8), "not a client message"},
    {"TypeChangesInsideMessage", concat({header(0x12, 0, 9), {0}, header(0x10, 1, 8)}),
     "changed from 0x12 to 0x10"},
    {"MessageOverOneMebibyte", endless_message(33), "message exceeds 1048576"},
};

INSTANTIATE_TEST_SUITE_P(Framing, PacketReaderRejects, testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameMessage, SplitsAtThePacketSizeAndFlagsOnlyTheLastPacket) {
  const Bytes wire = frame_message(PacketType::kTabularResult, payload_of(1000), 512, 51);
  ASSERT_EQ(wire.size(), 1000 + 2 * kPacketHeaderSize);
  // First packet: full, not last, SPID 51 big-endian.
  EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 8), (Bytes{0x04, 0x00, 0x02, 0x00, 0x00, 51, 1, 0}));
  const std::size_t second = 512;
  EXPECT_EQ(Bytes(wire.begin() + second, wire.begin() + second + 8),
            (Bytes{0x04, 0x01, 0x01, 0xF8, 0x00, 51, 2, 0}));  // 496 + 8 bytes
}

TEST(FrameMessage, SendsAnEmptyPayloadAsOneFinalPacket) {
  EXPECT_EQ(frame_message(PacketType::kTabularResult, {}, 4096, 0),
            (Bytes{0x04, 0x01, 0x00, 0x08, 0x00, 0x00, 1, 0}));
}

}  // namespace
}  // namespace tds
