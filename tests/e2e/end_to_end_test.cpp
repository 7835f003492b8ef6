// The real program against tds-test-server: one table row per situation a user can meet.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

const std::string kSuccess = "修改数据库属性成功！";
const std::string kConnectFailed = "数据库连接失败！请检查配置文件！";
const std::string kAlterFailed = "修改数据库属性失败！";

const std::string kCatalog =
    R"(# Logins and databases for the end-to-end tests (format: tools/tds-test-server/main.cpp).
login ARVELDB     vt7391  Plant  alter
login clientuser  halbur  client alter
database master
  file master  rows unlimited
  file mastlog log  unlimited
database Plant
  file Plant_Data rows 12800
  file Plant_log  log  6400
# Named before the <db>_Data convention: the data file is called like the database.
database Legacy
  file Legacy     rows 1280
  file Legacy_log log  640
# Neither name fits the data file.
database Odd
  file Odd_Primary rows 1280
  file Odd_log     log  640
# The data file fits, the log file does not: the batch's second statement fails.
database NoLog
  file NoLog_Data    rows 1280
  file NoLog_Journal log  640
# The ACCESS driver's fixed database.
database client
  file client_Data rows 1280
  file client_log  log  640
database "My Plant"
  file "My Plant_Data" rows 1280
  file "My Plant_log"  log  640
)";

// Everything FreeTDS would read if it were allowed to, all pointing somewhere wrong.
const std::string kHostileFreeTdsConf = R"([global]
	tds version = 4.2
	encryption = require
	port = 1
	connect timeout = 1
	dump file = {DIR}/dumps/global.log
[127.0.0.1]
	host = 192.0.2.1
	port = 1
	tds version = 4.2
)";
const std::vector<std::string> kHostileEnvironment = {
    "TDSVER=4.2",
    "TDSPORT=1",
    "TDSHOST=192.0.2.1",
    "TDSQUERY=nowhere",
    "DSQUERY=nowhere",
    "FREETDSCONF={DIR}/hostile/freetds.conf",
    "FREETDS={DIR}/hostile",
    "SYBASE={DIR}/hostile",
    "TDSDUMP={DIR}/dumps/tds.log",
    "TDSDUMPCONFIG={DIR}/dumps/config.log",
};

std::string SqlLoginIni(const std::string& server, const std::string& database,
                        const std::string& password = "vt7391") {
  return "[database]\r\ndriver name=mssql\r\nserver name=" + server +
         "\r\nlogin mode=sql\r\ndatabase name=" + database +
         "\r\nuser name=ARVELDB\r\nuser passward=" + password + "\r\n";
}

enum class TOutcome { oSuccess, oAlterFailed, oConnectFailed };

struct TCase {
  std::string name = {};
  // Arvel.ini, if any: {PORT} is the server's port, {CLOSED} one where nothing listens.
  std::optional<std::string> ini = std::nullopt;
  TOutcome outcome = TOutcome::oSuccess;
  // The batches the server received, exactly, in order.
  std::vector<std::string> batches = {};
  // database/file pairs without a size limit afterwards.
  std::vector<std::pair<std::string, std::string>> unlimited = {};
  std::vector<std::string> serverArguments = {};
  std::vector<std::string> environment = {};  // {DIR}: the case's temporary folder
  // The system's freetds.conf and ~/.freetds.conf replaced by hostile ones.
  bool hostileFreeTdsFiles = false;
  double minSeconds = 0;
  double maxSeconds = 10;
};

const std::string kPlantBatch =
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited) "
    "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) \r\n";

const TCase kCases[] = {
    {.name = "SuffixedDataFileName",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Plant"),
     .outcome = TOutcome::oSuccess,
     .batches = {kPlantBatch},
     .unlimited = {{"Plant", "Plant_Data"}, {"Plant", "Plant_log"}}},
    {.name = "PlainDataFileNameOnTheSecondAttempt",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Legacy"),
     .outcome = TOutcome::oSuccess,
     .batches = {"ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_Data',MAXSIZE=Unlimited) "
                 "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_log',MAXSIZE=Unlimited) \r\n",
                 "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy',MAXSIZE=Unlimited) "
                 "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_log',MAXSIZE=Unlimited) \r\n"},
     .unlimited = {{"Legacy", "Legacy"}, {"Legacy", "Legacy_log"}}},
    {.name = "NeitherDataFileName",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Odd"),
     .outcome = TOutcome::oAlterFailed,
     .batches = {"ALTER DATABASE Odd MODIFY FILE (NAME='Odd_Data',MAXSIZE=Unlimited) "
                 "ALTER DATABASE Odd MODIFY FILE (NAME='Odd_log',MAXSIZE=Unlimited) \r\n",
                 "ALTER DATABASE Odd MODIFY FILE (NAME='Odd',MAXSIZE=Unlimited) "
                 "ALTER DATABASE Odd MODIFY FILE (NAME='Odd_log',MAXSIZE=Unlimited) \r\n"},
     .unlimited = {{"Odd", "Odd_log"}}},
    // Only the server's messages tell that a statement after the first failed.
    {.name = "SecondStatementFails",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "NoLog"),
     .outcome = TOutcome::oAlterFailed,
     .batches = {"ALTER DATABASE NoLog MODIFY FILE (NAME='NoLog_Data',MAXSIZE=Unlimited) "
                 "ALTER DATABASE NoLog MODIFY FILE (NAME='NoLog_log',MAXSIZE=Unlimited) \r\n",
                 "ALTER DATABASE NoLog MODIFY FILE (NAME='NoLog',MAXSIZE=Unlimited) "
                 "ALTER DATABASE NoLog MODIFY FILE (NAME='NoLog_log',MAXSIZE=Unlimited) \r\n"},
     .unlimited = {{"NoLog", "NoLog_Data"}}},
    {.name = "IrregularDatabaseNameIsBracketed",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "My Plant"),
     .outcome = TOutcome::oSuccess,
     .batches = {"ALTER DATABASE [My Plant] MODIFY FILE (NAME='My Plant_Data',MAXSIZE=Unlimited) "
                 "ALTER DATABASE [My Plant] MODIFY FILE (NAME='My Plant_log',MAXSIZE=Unlimited) "
                 "\r\n"},
     .unlimited = {{"My Plant", "My Plant_Data"}, {"My Plant", "My Plant_log"}}},
    // Database "client" and password "halbur" whatever the file says.
    {.name = "AccessDriverUsesItsFixedDatabaseAndPassword",
     .ini = "[database]\r\ndriver name=access\r\nserver name=127.0.0.1,{PORT}\r\n"
            "login mode=sql\r\ndatabase name=Plant\r\nuser name=clientuser\r\n"
            "user passward=wrong\r\n",
     .outcome = TOutcome::oSuccess,
     .batches = {"ALTER DATABASE client MODIFY FILE (NAME='client_Data',MAXSIZE=Unlimited) "
                 "ALTER DATABASE client MODIFY FILE (NAME='client_log',MAXSIZE=Unlimited) \r\n"},
     .unlimited = {{"client", "client_Data"}, {"client", "client_log"}}},
    {.name = "DataSourceWithProtocolLocalHostAndBlanks",
     .ini = SqlLoginIni("tcp: (local) , {PORT}", "Plant"),
     .outcome = TOutcome::oSuccess,
     .batches = {kPlantBatch},
     .unlimited = {{"Plant", "Plant_Data"}, {"Plant", "Plant_log"}}},
    {.name = "FreeTdsEnvironmentAndConfigurationChangeNothing",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Plant"),
     .outcome = TOutcome::oSuccess,
     .batches = {kPlantBatch},
     .unlimited = {{"Plant", "Plant_Data"}, {"Plant", "Plant_log"}},
     .environment = kHostileEnvironment},
    {.name = "SystemAndHomeFreeTdsConfChangeNothing",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Plant"),
     .outcome = TOutcome::oSuccess,
     .batches = {kPlantBatch},
     .unlimited = {{"Plant", "Plant_Data"}, {"Plant", "Plant_log"}},
     .hostileFreeTdsFiles = true},
    {.name = "WrongPassword",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Plant", "wrong"),
     .outcome = TOutcome::oConnectFailed},
    {.name = "UnknownDatabase",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Nowhere"),
     .outcome = TOutcome::oConnectFailed},
    {.name = "ClosedPort",
     .ini = SqlLoginIni("127.0.0.1,{CLOSED}", "Plant"),
     .outcome = TOutcome::oConnectFailed,
     .maxSeconds = 2},
    // No Kerberos ticket (KRB5CCNAME points nowhere): the login fails before it is sent.
    {.name = "WindowsLoginWithoutTicket",
     .ini = "[database]\r\nserver name=127.0.0.1,{PORT}\r\nlogin mode=win\r\n"
            "database name=Plant\r\n",
     .outcome = TOutcome::oConnectFailed,
     .maxSeconds = 2},
    // 127.0.0.1 port 1433 with a Windows login: fails at once whether or not anything listens.
    {.name = "NoConfigurationFile",
     .ini = std::nullopt,
     .outcome = TOutcome::oConnectFailed,
     .maxSeconds = 5},
    {.name = "SilentServerTimesOutAfter15Seconds",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Plant"),
     .outcome = TOutcome::oConnectFailed,
     .serverArguments = {"--fault", "no-answer"},
     .minSeconds = 14,
     .maxSeconds = 16},
    // The batch ran, but its answer never came whole and the retry has no connection left.
    {.name = "ConnectionDroppedMidBatch",
     .ini = SqlLoginIni("127.0.0.1,{PORT}", "Plant"),
     .outcome = TOutcome::oAlterFailed,
     .batches = {kPlantBatch},
     .unlimited = {{"Plant", "Plant_Data"}, {"Plant", "Plant_log"}},
     .serverArguments = {"--fault", "close-mid-reply"}},
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// gtest names a failing case by this.
void PrintTo(const TCase& c, std::ostream* out) {
  *out << c.name;
}

class EndToEndTest : public testing::TestWithParam<TCase> {};

TEST_P(EndToEndTest, Run) {
  const TCase& c = GetParam();
  TTempDirectory folder;
  auto expand = [&](std::string text) { return Replaced(text, "{DIR}", folder.Path()); };
  folder.Write("hostile/freetds.conf", expand(kHostileFreeTdsConf));
  folder.Write("hostile/etc/freetds.conf", expand(kHostileFreeTdsConf));
  folder.Write("hostile/interfaces", "127.0.0.1\n\tquery tcp ether 192.0.2.1 1\n");
  std::filesystem::create_directories(folder.Path() + "/dumps");

  std::vector<std::string> launcher;
  if (c.hostileFreeTdsFiles) {
    std::optional<std::vector<std::string>> replaced =
        FreeTdsFilesReplacedLauncher(folder.Path() + "/hostile/freetds.conf");
    if (!replaced) GTEST_SKIP() << "no user and mount namespaces on this machine";
    launcher = *replaced;
  }

  TTestServer server(folder, kCatalog, c.serverArguments);
  std::optional<std::string> ini = std::nullopt;
  if (c.ini) {
    ini = Replaced(*c.ini, "{PORT}", std::to_string(server.Port()));
    ini = Replaced(*ini, "{CLOSED}", std::to_string(ClosedPort()));
  }
  TInstalledProgram program(folder, ini);
  std::vector<std::string> environment = {"KRB5CCNAME=FILE:" + folder.Path() + "/no-ticket"};
  for (const std::string& variable : c.environment) environment.push_back(expand(variable));

  TRunResult result = program.Run(environment, launcher);
  std::vector<std::string> journal = server.StopAndReadJournal();

  switch (c.outcome) {
    case TOutcome::oSuccess:
      EXPECT_EQ(result.status, 0) << ReadFileBytes(program.ValgrindLog());
      EXPECT_EQ(result.out, MessageLine(kSuccess));
      EXPECT_EQ(result.err, "");
      break;
    case TOutcome::oAlterFailed:
    case TOutcome::oConnectFailed:
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err,
                MessageLine(c.outcome == TOutcome::oAlterFailed ? kAlterFailed : kConnectFailed));
      break;
  }
  EXPECT_GE(result.seconds, c.minSeconds);
  EXPECT_LE(result.seconds, c.maxSeconds);

  std::vector<std::string> batches = {};
  for (const std::string& event : EventsOf(journal, "batch")) {
    batches.push_back(JsonStringMember(event, "text").value_or("?"));
  }
  EXPECT_EQ(batches, c.batches);
  ASSERT_FALSE(journal.empty());
  for (const auto& [database, file] : c.unlimited) {
    EXPECT_TRUE(IsUnlimited(journal.back(), database, file)) << database << "/" << file;
  }
  // Whatever the environment says, the protocol version is the pinned one.
  for (const std::string& login : EventsOf(journal, "login")) {
    EXPECT_EQ(JsonStringMember(login, "tds"), "7.4") << login;
  }

  // The program writes no files: not beside itself, not where it was started, no dumps.
  std::vector<std::string> programFiles = {"UNLIMIT"};
  if (ini) programFiles.insert(programFiles.begin(), "Arvel.ini");
  EXPECT_EQ(program.ProgramFolderFiles(), programFiles);
  EXPECT_EQ(program.WorkingFolderFiles(), std::vector<std::string>{"Arvel.ini"});
  EXPECT_EQ(ListDirectory(folder.Path() + "/dumps"), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEndTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TCase>& info) { return info.param.name; });

}  // namespace
