#include "tools/tds-test-server/batch_executor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/tds-test-server/token_scanner.h"
#include "tools/tds-test-server/token_writer.h"

namespace tds {
namespace {

constexpr const char* kCatalog =
    "login ARVELDB vt7391 Plant alter\n"
    "login reader reader Plant\n"
    "database Plant\n"
    "  file Plant_Data rows 12800\n"
    "  file Plant_log log 6400\n"
    "database Legacy\n"
    "  file Legacy rows 1280\n"
    "  file Legacy_log log 640\n";

std::string alter(const std::string& db, const std::string& file) {
  return "ALTER DATABASE " + db + " MODIFY FILE (NAME='" + file + "',MAXSIZE=Unlimited) ";
}

class BatchExecutorTest : public testing::Test {
 protected:
  void SetUp() override {
    state_.catalog = parse_catalog(kCatalog);
    context_ = {"ARVELDB", true, "Plant", TdsVersion{0x74000004}, 51};
  }

  // "kind:error" per statement.
  std::vector<std::string> run(const std::string& sql) {
    std::lock_guard lock(state_.mutex);
    last_ = execute_batch(sql, context_, state_);
    std::vector<std::string> out;
    for (const StatementOutcome& o : last_.outcomes)
      out.push_back(o.kind + ":" + std::to_string(o.error));
    return out;
  }

  std::int32_t max_size(const std::string& db, const std::string& file) {
    return state_.catalog.find_database(db)->find_file(file)->max_size;
  }

  SharedState state_;
  SessionContext context_;
  BatchResult last_;
};

TEST_F(BatchExecutorTest, ToolBatchLiftsBothLimits) {
  EXPECT_EQ(run(alter("Plant", "Plant_Data") + alter("Plant", "Plant_log") + "\r\n"),
            (std::vector<std::string>{"alter:0", "alter:0"}));
  EXPECT_EQ(max_size("Plant", "Plant_Data"), kUnlimited);
  EXPECT_EQ(max_size("Plant", "Plant_log"), kUnlimited);
  EXPECT_NE(
      last_.catalog.find(R"({"database":"Plant","file":"Plant_Data","kind":"rows","max_size":-1})"),
      std::string::npos)
      << last_.catalog;
}

TEST_F(BatchExecutorTest, MissingLogicalFileFailsAloneAndTheFallbackNameWorks) {
  EXPECT_EQ(run(alter("Legacy", "Legacy_Data") + alter("Legacy", "Legacy_log")),
            (std::vector<std::string>{"alter:5041", "alter:0"}));
  EXPECT_EQ(last_.outcomes[0].message, "MODIFY FILE failed. File 'Legacy_Data' does not exist.");
  EXPECT_EQ(max_size("Legacy", "Legacy"), 1280);
  EXPECT_EQ(run(alter("[Legacy]", "legacy")), (std::vector<std::string>{"alter:0"}));
  EXPECT_EQ(max_size("Legacy", "Legacy"), kUnlimited);
}

TEST_F(BatchExecutorTest, UnknownDatabaseAndMissingPermissionChangeNothing) {
  EXPECT_EQ(run(alter("Nowhere", "Nowhere_Data")), (std::vector<std::string>{"alter:911"}));
  EXPECT_EQ(last_.outcomes[0].message,
            "Database 'Nowhere' does not exist. Make sure that the name is entered correctly.");
  context_.login = "reader";
  context_.can_alter = false;
  EXPECT_EQ(run(alter("Plant", "Plant_Data")), (std::vector<std::string>{"alter:5011"}));
  EXPECT_EQ(last_.outcomes[0].message,
            "User does not have permission to alter database 'Plant', the database does not "
            "exist, or the database is not in a state that allows access checks.");
  EXPECT_EQ(max_size("Plant", "Plant_Data"), 12800);
}

TEST_F(BatchExecutorTest, InjectedFailureCountsAlterStatementsAcrossBatches) {
  state_.failures = {{2, 1105, "Could not allocate space."}};
  EXPECT_EQ(run("SET NOCOUNT ON " + alter("Plant", "Plant_Data")),
            (std::vector<std::string>{"set:0", "alter:0"}));
  EXPECT_EQ(run(alter("Plant", "Plant_log") + alter("Legacy", "Legacy_log")),
            (std::vector<std::string>{"alter:1105", "alter:0"}));
  EXPECT_TRUE(last_.outcomes[0].injected);
  EXPECT_EQ(last_.outcomes[0].message, "Could not allocate space.");
  EXPECT_EQ(max_size("Plant", "Plant_log"), 6400);
}

TEST_F(BatchExecutorTest, UseSwitchesWhatSysDatabaseFilesShows) {
  EXPECT_EQ(run("USE Nowhere; USE Legacy; SELECT name, max_size FROM sys.database_files"),
            (std::vector<std::string>{"use:911", "use:0", "select:0"}));
  EXPECT_EQ(context_.database, "Legacy");
  std::vector<std::string> rows;
  for (const ScannedToken& t : scan_tokens(last_.tokens, context_.version)) {
    if (t.token == 0xD1) rows.push_back(t.values[0] + "=" + t.values[1]);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Legacy=1280", "Legacy_log=640"}));
}

// DONE per statement: MORE on all but the last, ERROR on failed ones, COUNT with the row count
// on a SELECT; row counts and line numbers change size at 7.2.
class BatchDoneTokens : public BatchExecutorTest,
                        public testing::WithParamInterface<std::uint32_t> {};

TEST_P(BatchDoneTokens, MarkMoreErrorAndCount) {
  context_.version = TdsVersion{GetParam()};
  run(alter("Legacy", "Legacy_Data") + alter("Legacy", "Legacy_log") +
      "SELECT name, max_size FROM sys.database_files");
  const std::vector<ScannedToken> tokens = scan_tokens(last_.tokens, context_.version);
  EXPECT_EQ(error_numbers(tokens), (std::vector<std::int32_t>{5041}));
  EXPECT_EQ(done_statuses(tokens),
            (std::vector<std::uint16_t>{kDoneMore | kDoneError, kDoneMore, kDoneCount}));
  EXPECT_EQ(tokens.back().rows, 2u);
}

INSTANTIATE_TEST_SUITE_P(Versions, BatchDoneTokens,
                         testing::Values(0x70000000u, 0x71000001u, 0x72090002u, 0x74000004u));

TEST_F(BatchExecutorTest, EmptyBatchStillEndsWithDone) {
  EXPECT_TRUE(run(" \r\n").empty());
  EXPECT_EQ(done_statuses(scan_tokens(last_.tokens, context_.version)),
            (std::vector<std::uint16_t>{kDoneFinal}));
}

}  // namespace
}  // namespace tds
