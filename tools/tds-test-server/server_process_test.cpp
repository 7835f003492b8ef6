// The real executable over loopback: what only shows with sockets, processes and time.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/tds-test-server/client_messages.h"
#include "tools/tds-test-server/test_client.h"
#include "tools/tds-test-server/token_scanner.h"
#include "tools/tds-test-server/token_writer.h"

namespace tds {
namespace {

const TdsVersion k74{0x74000004};
const std::string kToolBatch =
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited) ALTER DATABASE Plant "
    "MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) \r\n";

std::vector<std::int32_t> errors_of(const Bytes& reply) {
  return error_numbers(scan_tokens(reply, k74));
}

bool has_login_ack(const Bytes& reply) {
  for (const ScannedToken& t : scan_tokens(reply, k74)) {
    if (t.token == 0xAD) return true;
  }
  return false;
}

// A fresh client can still log in and run the tool's batch: the server survived.
void expect_server_still_serves(const ServerProcess& server) {
  TestClient client(server.port());
  EXPECT_TRUE(has_login_ack(client.login("ARVELDB", "vt7391", "Plant")));
  EXPECT_EQ(errors_of(client.batch(kToolBatch)), std::vector<std::int32_t>{});
}

struct HostileInput {
  const char* name;
  bool log_in_first;
  std::function<Bytes()> bytes;
  const char* detail;  // expected in the journalled close event
};

// Keeps gtest from listing the case as raw bytes.
void PrintTo(const HostileInput& c, std::ostream* os) {
  *os << c.name;
}

Bytes header(std::uint8_t type, std::uint16_t length, std::uint8_t status = kStatusEndOfMessage) {
  return {
      type, status, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0,
      1,    0};
}

Bytes oversized_message() {
  Bytes wire;
  const Bytes body(32767 - kPacketHeaderSize, 'x');
  for (int i = 0; i < 40; ++i) {
    const Bytes h = header(0x01, 32767, 0);
    wire.insert(wire.end(), h.begin(), h.end());
    wire.insert(wire.end(), body.begin(), body.end());
  }
  return wire;
}

Bytes login_with_user_outside() {
  LoginRequest r;
  r.user = "sa";
  Bytes login = build_login7(r);
  login[40] = 0xFF;  // user offset far past the end
  login[41] = 0x7F;
  return build_packet(PacketType::kLogin7, login);
}

const HostileInput kHostileInputs[] = {
    {"LengthShorterThanHeader", false, [] { return header(0x12, 4); }, "shorter than its header"},
    {"ServerPacketType", false, [] { return header(0x04, 8); }, "not a client message"},
    {"PacketOverMaximum", false, [] { return header(0x12, 65535); }, "exceeds 32767"},
    {"MessageOverOneMebibyte", true, oversized_message, "message exceeds 1048576"},
    {"PreloginOptionOutside", false,
     [] {
       return build_packet(PacketType::kPrelogin, Bytes{0x01, 0x00, 0x40, 0x00, 0x01, 0xFF});
     },
     "points outside"},
    {"LoginFieldOutside", false, login_with_user_outside, "user name lies outside"},
    {"BatchBeforeLogin", false,
     [] { return build_packet(PacketType::kSqlBatch, build_batch("SELECT @@spid")); },
     "SQL batch before login"},
    {"OddLengthBatchText", true,
     [] {
       Bytes b = build_batch("USE Plant");
       b.push_back('x');
       return build_packet(PacketType::kSqlBatch, b);
     },
     "odd byte count"},
    {"BadAllHeadersLength", true,
     [] {
       return build_packet(PacketType::kSqlBatch, Bytes{0xFF, 0, 0, 0, 'U', 0});
     },
     "bad ALL_HEADERS length"},
};

class ServerRejects : public testing::TestWithParam<HostileInput> {};

TEST_P(ServerRejects, ClosesThatConnectionJournalsItAndKeepsServing) {
  ServerProcess server;
  {
    TestClient client(server.port());
    if (GetParam().log_in_first) client.login("ARVELDB", "vt7391", "Plant");
    client.send(GetParam().bytes());
    EXPECT_TRUE(client.closed_by_server());
  }
  EXPECT_NE(server.wait_for_journal({R"("reason":"malformed")", GetParam().detail}), "")
      << testing::PrintToString(server.journal());
  expect_server_still_serves(server);
}

INSTANTIATE_TEST_SUITE_P(HostileInputs, ServerRejects, testing::ValuesIn(kHostileInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ServerTimeouts, ClosesAConnectionThatStopsMidPacket) {
  ServerProcess server({"--idle-timeout-ms", "300"});
  TestClient client(server.port());
  client.send(Bytes{0x12, 0x01, 0x00});
  EXPECT_TRUE(client.closed_by_server(5000));
  EXPECT_NE(server.wait_for_journal({R"("reason":"idle timeout","detail":"in the middle)"}), "");
}

TEST(ServerEncryption, AnswersNotSupportedThenClosesAClientThatRequiresIt) {
  ServerProcess server;
  TestClient client(server.port());
  client.send_message(PacketType::kPrelogin, build_prelogin(3));
  std::optional<Bytes> reply = client.reply();
  ASSERT_TRUE(reply.has_value());
  EXPECT_TRUE(client.closed_by_server());
  EXPECT_NE(server.wait_for_journal({R"("reason":"encryption required")"}), "");
}

TEST(ServerFaults, NoAnswerReadsButNeverReplies) {
  ServerProcess server({"--fault", "no-answer"});
  TestClient client(server.port());
  client.send_message(PacketType::kPrelogin, build_prelogin(0));
  EXPECT_TRUE(client.silent_for(500));
}

TEST(ServerFaults, CloseAfterPreloginAnswersPreloginOnly) {
  ServerProcess server({"--fault", "close-after-prelogin"});
  TestClient client(server.port());
  client.send_message(PacketType::kPrelogin, build_prelogin(0));
  EXPECT_TRUE(client.reply().has_value());
  EXPECT_TRUE(client.closed_by_server());
}

TEST(ServerFaults, CloseAfterLoginAcknowledgesTheLoginThenCloses) {
  ServerProcess server({"--fault", "close-after-login"});
  TestClient client(server.port());
  EXPECT_TRUE(has_login_ack(client.login("ARVELDB", "vt7391", "Plant")));
  EXPECT_TRUE(client.closed_by_server());
}

TEST(ServerFaults, CloseMidReplyRunsTheBatchButCutsItsReply) {
  ServerProcess server({"--fault", "close-mid-reply"});
  TestClient client(server.port());
  client.login("ARVELDB", "vt7391", "Plant");
  client.send_message(PacketType::kSqlBatch, build_batch(kToolBatch));
  EXPECT_FALSE(client.reply().has_value());
  EXPECT_TRUE(client.closed_by_server());
  EXPECT_NE(server.wait_for_journal(
                {R"("event":"batch")", R"("file":"Plant_log","kind":"log","max_size":-1)"}),
            "");
  EXPECT_NE(server.wait_for_journal({R"("reason":"fault","detail":"close-mid-reply")"}), "");
}

TEST(ServerFaults, GarbageReplyKeepsTheConnectionOpen) {
  ServerProcess server({"--fault", "garbage-reply"});
  TestClient client(server.port());
  client.login("ARVELDB", "vt7391", "Plant");
  for (int i = 0; i < 2; ++i) {
    const Bytes reply = client.batch("SELECT @@spid");
    ASSERT_GE(reply.size(), 4u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
  }
}

TEST(ServerFaults, DelayHoldsEveryReplyAndAttentionReplacesThePendingOne) {
  ServerProcess server({"--delay-ms", "400"});
  TestClient client(server.port());
  const auto start = std::chrono::steady_clock::now();
  client.login("ARVELDB", "vt7391", "Plant");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));

  client.send_message(PacketType::kSqlBatch,
                      build_batch("SELECT name, max_size FROM sys.database_files"));
  client.send_message(PacketType::kAttention, {});
  std::optional<Bytes> reply = client.reply();
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(done_statuses(scan_tokens(*reply, k74)), (std::vector<std::uint16_t>{kDoneAttention}));
  EXPECT_TRUE(client.silent_for(600));  // the cancelled batch's rows never come
}

TEST(ServerFaults, FaultConnectionsLimitsTheFaultToTheFirstClients) {
  ServerProcess server({"--fault", "close-after-prelogin", "--fault-connections", "1"});
  {
    TestClient first(server.port());
    first.send_message(PacketType::kPrelogin, build_prelogin(0));
    first.reply();
    EXPECT_TRUE(first.closed_by_server());
  }
  expect_server_still_serves(server);
}

TEST(ServerFaults, FailStatementFailsTheNthAlterWithTheGivenError) {
  ServerProcess server({"--fail-statement", "2:1105:Could not allocate space for object."});
  TestClient client(server.port());
  client.login("ARVELDB", "vt7391", "Plant");
  const std::vector<ScannedToken> t = scan_tokens(client.batch(kToolBatch), k74);
  EXPECT_EQ(error_numbers(t), std::vector<std::int32_t>{1105});
  EXPECT_EQ(t.at(1).text, "Could not allocate space for object.");
  EXPECT_NE(server.wait_for_journal({R"("error":1105)", R"("injected":true)",
                                     R"("file":"Plant_log","kind":"log","max_size":6400)"}),
            "");
}

TEST(ServerLifecycle, SigtermClosesClientsAndExitsCleanlyWithAFinalCatalog) {
  ServerProcess server;
  TestClient client(server.port());
  client.login("ARVELDB", "vt7391", "Plant");
  client.batch(kToolBatch);
  EXPECT_EQ(server.terminate(), 0);
  EXPECT_TRUE(client.closed_by_server(1000));
  const std::vector<std::string> journal = server.journal();
  ASSERT_FALSE(journal.empty());
  EXPECT_NE(journal.back().find(R"({"event":"stop","catalog":[)"), std::string::npos);
  EXPECT_NE(journal.back().find(R"("file":"Plant_Data","kind":"rows","max_size":-1)"),
            std::string::npos);
}

TEST(ServerLifecycle, LifetimeLimitEndsTheServerByItself) {
  ServerProcess server({"--lifetime-ms", "300"});
  EXPECT_EQ(server.wait_exit(5000), 0);
}

TEST(ServerLifecycle, ConnectionsBeyondTheLimitWaitForAFreeSlot) {
  ServerProcess server({"--max-connections", "1"});
  std::optional<TestClient> first(server.port());
  first->login("ARVELDB", "vt7391", "Plant");
  TestClient second(server.port());
  second.send_message(PacketType::kPrelogin, build_prelogin(0));
  EXPECT_TRUE(second.silent_for(300));
  first.reset();
  EXPECT_TRUE(second.reply().has_value());
}

TEST(ServerLifecycle, ConcurrentClientsShareOneCatalog) {
  ServerProcess server;
  TestClient a(server.port());
  TestClient b(server.port());
  a.login("ARVELDB", "vt7391", "Plant");
  b.login("sa", "Sa-Passw0rd", "Plant");
  a.batch(kToolBatch);
  std::vector<std::string> rows;
  for (const ScannedToken& t :
       scan_tokens(b.batch("SELECT name, max_size FROM sys.database_files"), k74)) {
    if (t.token == 0xD1) rows.push_back(t.values[0] + "=" + t.values[1]);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Plant_Data=-1", "Plant_log=-1"}));
}

TEST(ServerLifecycle, StateFileFollowsEveryBatch) {
  ServerProcess server({"--state", "{folder}/state"});
  TestClient client(server.port());
  client.login("ARVELDB", "vt7391", "Plant");
  client.batch(kToolBatch);
  std::ifstream in(server.folder() + "/state");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("file Plant_Data rows unlimited"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("file Legacy rows 1280"), std::string::npos) << text.str();
}

TEST(ServerCommandLine, RejectsBadArgumentsAndCatalogsWithStatusTwo) {
  for (const std::string args :
       {"--port 70000", "--fault bogus", "--fail-statement 1:x:y", "--catalog /nonexistent"}) {
    const std::string command = std::string(TDS_TEST_SERVER_EXECUTABLE) + " --catalog " +
                                TDS_TEST_SERVER_SAMPLE_CATALOG + " " + args + " 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args;
  }
}

}  // namespace
}  // namespace tds
