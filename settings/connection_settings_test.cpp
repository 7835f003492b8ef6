#include "settings/connection_settings.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

TEST(ResolveConnectionSettingsTest, NoFileGivesTheDefaults) {
  RemoveConfigFile();
  TConnectionSettings s = ResolveConnectionSettings();
  EXPECT_EQ(s.DriverName, "mssql");
  EXPECT_EQ(s.ServerName, "127.0.0.1");
  EXPECT_EQ(s.LoginMode, "win");
  EXPECT_EQ(s.DatabaseName, "");
  EXPECT_EQ(s.UserName, "ARVELDB");
  EXPECT_EQ(s.Password, "vt7391");
  EXPECT_EQ(BuildConnectionString(s),
            "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
            "Initial Catalog=;Data Source=127.0.0.1");
}

TEST(ResolveConnectionSettingsTest, SqlLoginComposesTheFullTemplate) {
  TScopedConfigFile file(
      "[database]\r\ndriver name=mssql\r\nserver name=db01\\SQL2008\r\nlogin mode=sql\r\n"
      "database name=Plant\r\nuser name=sa\r\nuser passward=p;w=d\r\n");
  TConnectionSettings s = ResolveConnectionSettings();
  // Values go in unchanged, a semicolon in the password included.
  EXPECT_EQ(BuildConnectionString(s),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=Plant;"
            "password = p;w=d;Data Source=db01\\SQL2008");
}

TEST(ResolveConnectionSettingsTest, AccessDriverFixesDatabaseAndPassword) {
  struct Case {
    std::string driver;
    bool access;
  } cases[] = {{"ACCESS", true},   {"access", true},   {"Access", true},
               {" ACCESS", false}, {"ACCESS ", false}, {"mssql", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("driver name=" + c.driver);
    // Quoted, so that the blanks reach the comparison.
    TScopedConfigFile file("[database]\ndriver name=\"" + c.driver +
                           "\"\ndatabase name=Plant\nuser name=sa\nuser passward=secret\n");
    TConnectionSettings s = ResolveConnectionSettings();
    EXPECT_EQ(s.DatabaseName, c.access ? "client" : "Plant");
    EXPECT_EQ(s.Password, c.access ? "halbur" : "secret");
    EXPECT_EQ(s.UserName, "sa");
  }
}

TEST(BuildConnectionStringTest, LoginModeIsTrimmedButCaseSensitive) {
  struct Case {
    std::string loginMode;
    bool integrated;
  } cases[] = {{"win", true},  {" win ", true}, {"\twin\r", true}, {"WIN", false},
               {"Win", false}, {"sql", false},  {"", false},       {"windows", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.loginMode + "]");
    TConnectionSettings s{"mssql", "srv", c.loginMode, "Plant", "sa", "pw"};
    std::string expected =
        c.integrated ? "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                       "Initial Catalog=Plant;Data Source=srv"
                     : "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                       "Initial Catalog=Plant;password = pw;Data Source=srv";
    EXPECT_EQ(BuildConnectionString(s), expected);
  }
}

}  // namespace
