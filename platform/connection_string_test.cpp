#include "platform/connection_string.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseConnectionStringTest, ReadsTheStringsTheJobComposes) {
  std::optional<TConnectionProperties> sql = ParseConnectionString(
      "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=Plant;"
      "password = pw;Data Source=db01\\SQL2008");
  ASSERT_TRUE(sql);
  EXPECT_EQ(sql->UserId, "sa");
  EXPECT_EQ(sql->InitialCatalog, "Plant");
  EXPECT_EQ(sql->Password, "pw");
  EXPECT_EQ(sql->DataSource, "db01\\SQL2008");
  EXPECT_FALSE(sql->IntegratedSecurity);

  std::optional<TConnectionProperties> win = ParseConnectionString(
      "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
      "Initial Catalog=;Data Source=127.0.0.1");
  ASSERT_TRUE(win);
  EXPECT_TRUE(win->IntegratedSecurity);
  EXPECT_EQ(win->InitialCatalog, "");
  EXPECT_EQ(win->UserId, "");
  EXPECT_EQ(win->DataSource, "127.0.0.1");
}

TEST(ParseConnectionStringTest, ValueForms) {
  struct Case {
    std::string text;
    std::string password;
  } cases[] = {
      {"password = pw ", "pw"},
      {"PASSWORD=pw", "pw"},
      {"\tPassword\t=\tp w\t;", "p w"},
      {"Password=", ""},
      {"Password='a;b'", "a;b"},
      {"Password=\"a;b\" ; User ID=x", "a;b"},
      {"Password=' padded '", " padded "},
      {"Password='it''s'", "it's"},
      {"Password=\"say \"\"hi\"\"\"", "say \"hi\""},
      {"Password='say \"hi\"'", "say \"hi\""},
      {"Password=ab'c", "ab'c"},  // a quote inside an unquoted value is kept
      {"Password=a=b", "a=b"},    // only the first '=' separates
      {"Password=first;Password=last", "last"},
      {"Pass==word=x;Password=pw", "pw"},  // "Pass=word" is another keyword
      {";;Password=pw;;", "pw"},
      {"Password=p;w=d", "p"},  // the job inserts values unchanged: the rest is a keyword
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<TConnectionProperties> parsed = ParseConnectionString(c.text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Password, c.password);
  }
}

TEST(ParseConnectionStringTest, RejectsMalformedStrings) {
  for (std::string text : {
           "Password=a;b",             // "b" has no '='
           "=value",                   // empty keyword
           "Password='open",           // unterminated quote
           "Password='a'b",            // text after the closing quote
           "Password=\"a\"\"",         // the doubled quote leaves it open
           "Integrated Security=Yes",  // not an authentication service
       }) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseConnectionString(text));
  }
}

TEST(ParseDataSourceTest, Forms) {
  struct Case {
    std::string text;
    std::string host;
    int port;
    std::string instance;
  } cases[] = {
      {"db01", "db01", 0, ""},
      {" db01 ", "db01", 0, ""},
      {"db01,1500", "db01", 1500, ""},
      {"db01 , 1500 ", "db01", 1500, ""},
      {"tcp:db01,1500", "db01", 1500, ""},
      {"TCP: db01", "db01", 0, ""},
      {"db01\\SQL2008", "db01", 0, "SQL2008"},
      {"db01 \\ SQL2008 ", "db01", 0, "SQL2008"},
      {"db01\\SQL2008,1500", "db01", 1500, ""},
      {"(local)", "127.0.0.1", 0, ""},
      {"(LOCAL)\\SQLEXPRESS", "127.0.0.1", 0, "SQLEXPRESS"},
      {".", "127.0.0.1", 0, ""},
      {".\\SQLEXPRESS", "127.0.0.1", 0, "SQLEXPRESS"},
      {"", "127.0.0.1", 0, ""},
      {"127.0.0.1,65535", "127.0.0.1", 65535, ""},
      {"::1", "::1", 0, ""},
      {"fe80::1,1433", "fe80::1", 1433, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.text + "]");
    std::optional<TServerAddress> address = ParseDataSource(c.text);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->Host, c.host);
    EXPECT_EQ(address->Port, c.port);
    EXPECT_EQ(address->Instance, c.instance);
  }
}

TEST(ParseDataSourceTest, RejectsWhatCannotBeReached) {
  for (std::string text : {"db01,", "db01,0", "db01,65536", "db01,14x", "db01,-1", "db01\\",
                           "np:\\\\db01\\pipe\\sql\\query", "lpc:(local)", "admin:db01"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseDataSource(text));
  }
}

}  // namespace
