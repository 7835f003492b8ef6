#include "job/alteration_job.h"

#include <gtest/gtest.h>

#include "tests/fake_application.h"
#include "tests/fake_data_access.h"
#include "tests/test_support.h"

namespace {

const std::string kSuffixed =
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited) "
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) ";
const std::string kPlain =
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant',MAXSIZE=Unlimited) "
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) ";
const std::string kConnectionString =
    "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=Plant;"
    "password = secret;Data Source=db01";

std::vector<std::string> Preamble() {
  return {"create connection", "keep connection on", "timeout 15",
          "connection string " + kConnectionString, "open"};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RunAlterationJobTest, ScriptedOutcomes) {
  struct Case {
    const char* name;
    TFakeScript script;
    std::vector<std::string> afterOpen;
  } cases[] = {
      {"first batch succeeds",
       {},
       {"create query1", "query1 text " + kSuffixed, "execute query1", "success " + SuccessMessage,
        "release query1", "release connection", "terminate"}},
      {"first batch fails, fallback succeeds",
       TFakeScript().FailExecutions({true}),
       {"create query1", "query1 text " + kSuffixed, "execute query1", "create query2",
        "query2 text " + kPlain, "execute query2", "success " + SuccessMessage, "release query1",
        "release query2", "release connection", "terminate"}},
      {"both batches fail",
       TFakeScript().FailExecutions({true, true}),
       {"create query1", "query1 text " + kSuffixed, "execute query1", "create query2",
        "query2 text " + kPlain, "execute query2", "failure " + AlterFailedMessage,
        "release query1", "release query2", "release connection", "terminate"}},
      {"query objects cannot be made",
       TFakeScript().FailCreateQuery(),
       {"failure " + AlterFailedMessage, "release connection", "terminate"}},
      {"open fails",
       TFakeScript().FailOpen(),
       {"failure " + ConnectFailedMessage, "release connection", "terminate"}},
  };
  TScopedConfigFile file(
      "[database]\nserver name=db01\nlogin mode=sql\ndatabase name=Plant\nuser name=sa\n"
      "user passward=secret\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> log;
    TFakeDataAccess dataAccess(c.script, log);
    TFakeApplication application(log);
    RunAlterationJob(dataAccess, application);
    EXPECT_EQ(log, Concat(Preamble(), c.afterOpen));
  }
}

TEST(RunAlterationJobTest, ConnectionObjectFailureReachesTheCaller) {
  RemoveConfigFile();
  std::vector<std::string> log;
  TFakeDataAccess dataAccess(TFakeScript().FailCreateConnection(), log);
  TFakeApplication application(log);
  EXPECT_THROW(RunAlterationJob(dataAccess, application), TDataAccessError);
  EXPECT_TRUE(log.empty()) << "no message and no termination request";
}

TEST(RunAlterationJobTest, ColonsInTheNameReachTheQueryUnchanged) {
  TScopedConfigFile file("[database]\ndatabase name=a:b\n");
  std::vector<std::string> log;
  TFakeDataAccess dataAccess(TFakeScript(), log);
  TFakeApplication application(log);
  RunAlterationJob(dataAccess, application);
  EXPECT_EQ(log.at(6),
            "query1 text ALTER DATABASE [a:b] MODIFY FILE (NAME='a:b_Data',MAXSIZE=Unlimited) "
            "ALTER DATABASE [a:b] MODIFY FILE (NAME='a:b_log',MAXSIZE=Unlimited) ");
}

}  // namespace
