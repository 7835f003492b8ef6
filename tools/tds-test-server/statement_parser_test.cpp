#include "tools/tds-test-server/statement_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace tds {
namespace {

// Each statement reduced to one line, so a case lists the whole batch's expected parse.
std::string describe(const StatementKind& s) {
  struct {
    std::string operator()(const AlterFileMaxSize& a) {
      return "alter " + a.database + "/" + a.file;
    }
    std::string operator()(const SelectDatabaseFiles&) { return "files"; }
    std::string operator()(const SelectVariable& v) { return "@@" + v.name; }
    std::string operator()(const UseDatabase& u) { return "use " + u.database; }
    std::string operator()(const SetOption&) { return "set"; }
    std::string operator()(const SyntaxError& e) {
      return std::to_string(e.number) + " " + e.message;
    }
  } visitor;
  return std::visit(visitor, s);
}

struct Case {
  const char* name;
  std::string sql;
  std::vector<std::string> expected;
};

// Keeps gtest from listing the case as raw bytes.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class StatementParserTest : public testing::TestWithParam<Case> {};

TEST_P(StatementParserTest, ParsesBatch) {
  std::vector<std::string> got;
  for (const Statement& s : parse_batch(GetParam().sql)) got.push_back(describe(s.what));
  EXPECT_EQ(got, GetParam().expected) << GetParam().sql;
}

const Case kCases[] = {
    {"ToolBatch",
     "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited) ALTER DATABASE Plant "
     "MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) \r\n",
     {"alter Plant/Plant_Data", "alter Plant/Plant_log"}},
    {"LowerCaseAndGenerousBlanks",
     "  alter\tdatabase  plant\nmodify file\r\n(  name = 'x' ,  maxsize = unlimited  )",
     {"alter plant/x"}},
    {"NoBlanksAtAll", "ALTER DATABASE P MODIFY FILE(NAME='x',MAXSIZE=UNLIMITED)", {"alter P/x"}},
    {"SemicolonsAndEmptyStatements",
     ";;ALTER DATABASE a MODIFY FILE (NAME='f',MAXSIZE=UNLIMITED);;ALTER DATABASE b MODIFY FILE "
     "(NAME='g',MAXSIZE=UNLIMITED);",
     {"alter a/f", "alter b/g"}},
    {"BracketedNameWithEscapes",
     "ALTER DATABASE [my ]]odd[ db] MODIFY FILE (NAME='f',MAXSIZE=UNLIMITED)",
     {"alter my ]odd[ db/f"}},
    {"QuotedLiteralWithEscapes",
     "ALTER DATABASE d MODIFY FILE (NAME='it''s ; ALTER',MAXSIZE=UNLIMITED)",
     {"alter d/it's ; ALTER"}},
    {"UnicodeLiteralPrefix",
     "ALTER DATABASE d MODIFY FILE (NAME=N'f',MAXSIZE=UNLIMITED)",
     {"alter d/f"}},
    {"NonAsciiNames",
     "ALTER DATABASE Usine_é MODIFY FILE (NAME='Données',MAXSIZE=UNLIMITED)",
     {"alter Usine_é/Données"}},
    {"CommentsBetweenTokens",
     "ALTER /* a /* nested */ comment */ DATABASE d -- line comment\nMODIFY FILE (NAME='f', "
     "MAXSIZE=UNLIMITED)",
     {"alter d/f"}},
    {"EmptyBatch", " \r\n -- only a comment\n", {}},
    {"SelectFilesAnySpelling", "select [name],MAX_SIZE from SYS.[database_files]", {"files"}},
    {"TediousSetBatch",
     "set textsize 2147483647\nset quoted_identifier on\nset transaction isolation level read "
     "committed\nset language us_english",
     {"set", "set", "set", "set"}},
    {"UseThenSelectVariable", "USE [Legacy]; SELECT @@spid", {"use Legacy", "@@spid"}},
    // Errors: the message names the token SQL Server would name, and the next statement runs.
    {"UnquotedLogicalName",
     "ALTER DATABASE d MODIFY FILE (NAME=f,MAXSIZE=UNLIMITED)",
     {"102 Incorrect syntax near 'f'."}},
    {"FiniteMaxSizeIsNotSupported",
     "ALTER DATABASE d MODIFY FILE (NAME='f',MAXSIZE=100MB) ALTER DATABASE d MODIFY FILE "
     "(NAME='g',MAXSIZE=UNLIMITED)",
     {"102 Incorrect syntax near '100'.", "alter d/g"}},
    {"TruncatedAtEndNamesLastToken",
     "ALTER DATABASE d MODIFY FILE (NAME='f'",
     {"102 Incorrect syntax near 'f'."}},
    {"GarbageThenValidAfterSemicolon",
     "GO bananas ; ALTER DATABASE d MODIFY FILE (NAME='f',MAXSIZE=UNLIMITED)",
     {"102 Incorrect syntax near 'GO'.", "alter d/f"}},
    {"ResyncAtNextStatementWord",
     "ALTER DATABASE d MODIFY (NAME='f') SELECT name, max_size FROM sys.database_files",
     {"102 Incorrect syntax near '('.", "files"}},
    {"OtherSelect", "SELECT * FROM sys.databases", {"102 Incorrect syntax near '*'."}},
    {"SetWithoutOption", "SET;", {"102 Incorrect syntax near ';'."}},
    {"UnclosedQuote",
     "ALTER DATABASE d MODIFY FILE (NAME='f,MAXSIZE=UNLIMITED)",
     {"105 Unclosed quotation mark after the character string 'f,MAXSIZE=UNLIMITED)'."}},
    {"UnclosedBracket",
     "USE [Plant",
     {"105 Unclosed quotation mark after the character string 'Plant'."}},
    {"UnclosedComment",
     "USE Plant /* never closed",
     {"use Plant", "113 Missing end comment mark '*/'."}},
};

INSTANTIATE_TEST_SUITE_P(Batches, StatementParserTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(StatementParser, KeepsEachStatementsSourceText) {
  const std::vector<Statement> s =
      parse_batch("  USE Plant;  GO x\nALTER DATABASE d MODIFY FILE (NAME='f',MAXSIZE=UNLIMITED) ");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].text, "USE Plant");
  EXPECT_EQ(s[1].text, "GO x");
  EXPECT_EQ(s[2].text, "ALTER DATABASE d MODIFY FILE (NAME='f',MAXSIZE=UNLIMITED)");
}

}  // namespace
}  // namespace tds
