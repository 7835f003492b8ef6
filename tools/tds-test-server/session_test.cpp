#include "tools/tds-test-server/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tools/tds-test-server/client_messages.h"
#include "tools/tds-test-server/prelogin.h"
#include "tools/tds-test-server/token_scanner.h"
#include "tools/tds-test-server/token_writer.h"

namespace tds {
namespace {

constexpr const char* kCatalog =
    "login sa secret master alter\n"
    "login ARVELDB vt7391 Plant alter\n"
    "database master\n"
    "  file master rows unlimited\n"
    "database Plant\n"
    "  file Plant_Data rows 12800\n";

class SessionTest : public testing::Test {
 protected:
  SessionTest() { state_.catalog = parse_catalog(kCatalog); }

  Reply login(LoginRequest request) {
    return session_.handle({PacketType::kLogin7, build_login7(request)});
  }
  Reply login_as(const std::string& user, const std::string& password, const std::string& db) {
    LoginRequest r;
    r.user = user;
    r.password = password;
    r.database = db;
    return login(r);
  }
  std::vector<ScannedToken> tokens(const Reply& reply, std::uint32_t version = 0x74000004) {
    return scan_tokens(reply.payload, TdsVersion{version});
  }
  static std::string env(const std::vector<ScannedToken>& tokens, std::uint8_t type) {
    for (const ScannedToken& t : tokens) {
      if (t.token == 0xE3 && t.env_type == type) return t.text;
    }
    return "(none)";
  }

  SharedState state_;
  Journal journal_;
  Session session_{state_, journal_, 1};
};

struct LoginCase {
  const char* name;
  std::string user, password, database;
  bool integrated;
  std::vector<std::int32_t> errors;
  std::string current_database;  // after a successful login
};

// Keeps gtest from listing the case as raw bytes.
void PrintTo(const LoginCase& c, std::ostream* os) {
  *os << c.name;
}

class SessionLogin : public SessionTest, public testing::WithParamInterface<LoginCase> {};

TEST_P(SessionLogin, AcceptsOrRefuses) {
  const LoginCase& c = GetParam();
  LoginRequest r;
  r.user = c.user;
  r.password = c.password;
  r.database = c.database;
  r.integrated_security = c.integrated;
  const Reply reply = login(r);
  const std::vector<ScannedToken> t = tokens(reply);
  EXPECT_EQ(error_numbers(t), c.errors);
  if (c.errors.empty()) {
    EXPECT_FALSE(reply.close);
    EXPECT_TRUE(reply.logged_in);
    EXPECT_EQ(env(t, 1), c.current_database);
    EXPECT_EQ(done_statuses(t), (std::vector<std::uint16_t>{kDoneFinal}));
  } else {
    // Failed logins end with DONE(error) and a closed connection, as SQL Server does.
    EXPECT_TRUE(reply.close);
    EXPECT_EQ(done_statuses(t), (std::vector<std::uint16_t>{kDoneError}));
    EXPECT_EQ(t[t.size() - 2].severity, 14);
  }
}

const LoginCase kLoginCases[] = {
    {"ExplicitDatabase", "ARVELDB", "vt7391", "Plant", false, {}, "Plant"},
    {"EmptyDatabaseMeansDefault", "ARVELDB", "vt7391", "", false, {}, "Plant"},
    {"LoginNameIgnoresCase", "arveldb", "vt7391", "plant", false, {}, "Plant"},
    {"WrongPassword", "ARVELDB", "wrong", "Plant", false, {18456}, ""},
    {"PasswordIsCaseSensitive", "ARVELDB", "VT7391", "Plant", false, {18456}, ""},
    {"UnknownLogin", "nobody", "vt7391", "Plant", false, {18456}, ""},
    {"UnknownDatabase", "ARVELDB", "vt7391", "Nowhere", false, {4060, 18456}, ""},
    {"IntegratedSecurity", "", "", "", true, {18452}, ""},
};

INSTANTIATE_TEST_SUITE_P(Logins, SessionLogin, testing::ValuesIn(kLoginCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionTest, LoginErrorTextsNameTheUserAndDatabase) {
  const std::vector<ScannedToken> t = tokens(login_as("ARVELDB", "vt7391", "Nowhere"));
  ASSERT_GE(t.size(), 2u);
  EXPECT_EQ(t[0].text,
            "Cannot open database \"Nowhere\" requested by the login. The login failed.");
  EXPECT_EQ(t[1].text, "Login failed for user 'ARVELDB'.");
}

// LOGINACK carries the client's version back (big-endian, unlike LOGIN7); formats follow it.
class SessionVersion : public SessionTest,
                       public testing::WithParamInterface<std::pair<std::uint32_t, std::uint32_t>> {
};

TEST_P(SessionVersion, LoginAckEchoesTheRequestedVersion) {
  LoginRequest r;
  r.user = "sa";
  r.password = "secret";
  r.tds_version = GetParam().first;
  const Reply reply = login(r);
  std::uint32_t acked = 0;
  for (const ScannedToken& t : tokens(reply, GetParam().second)) {
    if (t.token == 0xAD) acked = t.tds_version;
  }
  EXPECT_EQ(acked, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SessionVersion,
    testing::Values(std::pair{0x70000000u, 0x70000000u}, std::pair{0x71000001u, 0x71000001u},
                    std::pair{0x72090002u, 0x72090002u}, std::pair{0x730A0003u, 0x730A0003u},
                    std::pair{0x730B0003u, 0x730B0003u}, std::pair{0x74000004u, 0x74000004u},
                    std::pair{0x75000000u, 0x74000004u}),
    [](const auto& info) {
      std::string name = TdsVersion{info.param.first}.name();
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

TEST_F(SessionTest, RefusesVersionsBeforeTds7) {
  LoginRequest r;
  r.tds_version = 0x05000000;
  EXPECT_THROW(login(r), ProtocolError);
}

TEST_F(SessionTest, NegotiatesThePacketSizeWithinTdsLimits) {
  for (auto [requested, granted] : {std::pair{8192u, 8192u}, std::pair{0u, 4096u},
                                    std::pair{100u, 512u}, std::pair{65535u, 32767u}}) {
    Session session(state_, journal_, 2);
    LoginRequest r;
    r.user = "sa";
    r.password = "secret";
    r.packet_size = requested;
    const Reply reply = session.handle({PacketType::kLogin7, build_login7(r)});
    EXPECT_EQ(session.packet_size(), granted);
    EXPECT_EQ(env(tokens(reply), 4), std::to_string(granted));
  }
}

TEST_F(SessionTest, PreloginNeverOffersEncryptionAndDropsClientsThatRequireIt) {
  for (std::uint8_t asked : {kEncryptOff, kEncryptOn, kEncryptNotSupported, kEncryptRequired}) {
    Session session(state_, journal_, 2);
    const Reply reply = session.handle({PacketType::kPrelogin, build_prelogin(asked)});
    EXPECT_EQ(parse_prelogin(reply.payload).encryption, kEncryptNotSupported);
    EXPECT_EQ(reply.close, asked == kEncryptRequired) << int{asked};
  }
}

TEST_F(SessionTest, MessagesOutOfOrderAreProtocolErrors) {
  EXPECT_THROW(session_.handle({PacketType::kSqlBatch, build_batch("SELECT @@spid")}),
               ProtocolError);
  EXPECT_THROW(session_.handle({PacketType::kAttention, {}}), ProtocolError);
  login_as("sa", "secret", "");
  EXPECT_THROW(session_.handle({PacketType::kPrelogin, build_prelogin(0)}), ProtocolError);
  EXPECT_THROW(login_as("sa", "secret", ""), ProtocolError);
}

TEST_F(SessionTest, AllHeadersAreRequiredFrom72AndAbsentBefore) {
  login_as("sa", "secret", "");
  EXPECT_THROW(session_.handle({PacketType::kSqlBatch, build_batch("SELECT @@spid", false)}),
               ProtocolError);

  Session old(state_, journal_, 2);
  LoginRequest r;
  r.user = "sa";
  r.password = "secret";
  r.tds_version = 0x71000001;
  old.handle({PacketType::kLogin7, build_login7(r)});
  const Reply reply = old.handle({PacketType::kSqlBatch, build_batch("SELECT @@spid", false)});
  const std::vector<ScannedToken> t = tokens(reply, 0x71000001);
  EXPECT_EQ(t.at(1).values, (std::vector<std::string>{"52"}));  // spid of connection 2
}

TEST_F(SessionTest, AttentionIsAcknowledgedWithDoneAttention) {
  login_as("sa", "secret", "");
  const Reply reply = session_.handle({PacketType::kAttention, {}});
  EXPECT_TRUE(reply.attention);
  EXPECT_EQ(done_statuses(tokens(reply)), (std::vector<std::uint16_t>{kDoneAttention}));
}

// The end-to-end tests compare the journalled batch text with what the tool meant to send.
TEST(SessionJournal, RecordsTheBatchTextByteForByte) {
  const std::string path = testing::TempDir() + "session_journal_" + std::to_string(::getpid());
  ::unlink(path.c_str());
  SharedState state;
  state.catalog = parse_catalog(kCatalog);
  {
    Journal journal(path);
    Session session(state, journal, 7);
    LoginRequest r;
    r.user = "ARVELDB";
    r.password = "vt7391";
    session.handle({PacketType::kLogin7, build_login7(r)});
    session.handle(
        {PacketType::kSqlBatch,
         build_batch("ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited)"
                     " \"é\\😀\"\r\n")});
  }
  std::ifstream in(path);
  std::string login_line, batch_line;
  std::getline(in, login_line);
  std::getline(in, batch_line);
  ::unlink(path.c_str());
  EXPECT_EQ(login_line,
            R"j({"event":"login","conn":7,"tds":"7.4","user":"ARVELDB","password":"vt7391",)j"
            R"j("database":"","app":"tds-test","host":"testhost","integrated":false,)j"
            R"j("packet_size":4096,"ok":true})j");
  EXPECT_EQ(
      batch_line,
      R"j({"event":"batch","conn":7,"login":"ARVELDB","database":"Plant","text":)j"
      R"j("ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited) \"é\\😀\"\r\n",)j"
      R"j("statements":[{"text":"ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited)",)j"
      R"j("kind":"alter","error":0},{"text":"\"é\\😀\"","kind":"syntax","error":102,)j"
      R"j("message":"Incorrect syntax near 'é\\😀'."}],)j"
      R"j("catalog":[{"database":"master","file":"master","kind":"rows","max_size":-1},)j"
      R"j({"database":"Plant","file":"Plant_Data","kind":"rows","max_size":-1}]})j");
}

}  // namespace
}  // namespace tds
