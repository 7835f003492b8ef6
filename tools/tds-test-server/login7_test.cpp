#include "tools/tds-test-server/login7.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tools/tds-test-server/client_messages.h"

namespace tds {
namespace {

TEST(Login7, PasswordBytesAreXoredThenNibbleSwapped) {
  // 'a' = 0x61 travels as 0xB3: 0xB3 ^ 0xA5 = 0x16, nibbles swapped 0x61. The zero high byte of
  // each UTF-16 unit travels as 0xA5.
  EXPECT_EQ(decode_password_byte(0xB3), 0x61);
  EXPECT_EQ(decode_password_byte(0xA5), 0x00);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(decode_password_byte(encode_password_byte(static_cast<std::uint8_t>(b))), b);
  }
}

TEST(Login7, DecodesEveryFieldTheServerUses) {
  LoginRequest request;
  request.tds_version = 0x72090002;
  request.packet_size = 8192;
  request.host = "büro-pc";
  request.user = "ARVELDB";
  request.password = "vt7391 ünï";
  request.app = "unlimit";
  request.database = "Plant";
  request.integrated_security = true;
  const Login7 login = parse_login7(build_login7(request));
  EXPECT_EQ(login.tds_version, 0x72090002u);
  EXPECT_EQ(login.packet_size, 8192u);
  EXPECT_EQ(login.host, "büro-pc");
  EXPECT_EQ(login.user, "ARVELDB");
  EXPECT_EQ(login.password, "vt7391 ünï");
  EXPECT_EQ(login.app, "unlimit");
  EXPECT_EQ(login.database, "Plant");
  EXPECT_TRUE(login.integrated_security);
}

struct Corruption {
  const char* name;
  std::function<void(Bytes&)> apply;
  const char* error;
};

// Keeps gtest from listing the case as raw bytes.
void PrintTo(const Corruption& c, std::ostream* os) {
  *os << c.name;
}

void put_u16(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

class Login7Rejects : public testing::TestWithParam<Corruption> {};

TEST_P(Login7Rejects, MalformedLogin) {
  LoginRequest request;
  request.user = "sa";
  request.password = "secret";
  Bytes login = build_login7(request);
  GetParam().apply(login);
  try {
    parse_login7(login);
    FAIL() << "accepted";
  } catch (const ProtocolError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().error), std::string::npos) << e.what();
  }
}

const Corruption kCorruptions[] = {
    {"LengthBeyondMessage",
     [](Bytes& b) { put_u16(b, 0, static_cast<std::uint16_t>(b.size() + 1)); }, "does not match"},
    {"LengthBelowFixedPart", [](Bytes& b) { put_u16(b, 0, 40); }, "does not match"},
    {"TruncatedLengthField", [](Bytes& b) { b.resize(3); }, "truncated"},
    {"UserOutsideMessage", [](Bytes& b) { put_u16(b, 40, 60000); }, "user name lies outside"},
    {"PasswordRunsPastEnd", [](Bytes& b) { put_u16(b, 46, 100); }, "password lies outside"},
    {"UserLongerThanSysname", [](Bytes& b) { put_u16(b, 42, 129); }, "longer than 128"},
    {"DatabaseInsideFixedPart",
     [](Bytes& b) {
       put_u16(b, 68, 10);
       put_u16(b, 70, 2);
     },
     "database lies outside"},
};

INSTANTIATE_TEST_SUITE_P(Fields, Login7Rejects, testing::ValuesIn(kCorruptions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tds
