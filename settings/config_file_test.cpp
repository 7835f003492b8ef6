#include "settings/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "tests/test_support.h"

namespace {

// One row of tests/data/ini/cases.tsv.
struct TIniCase {
  std::string fixture, section, key, defaultValue, expected, readers;
  int line = 0;
};

std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    char c = field[++i];
    if (c == 't')
      out += '\t';
    else if (c == 'r')
      out += '\r';
    else if (c == 'n')
      out += '\n';
    else if (c == 'x' && i + 2 < field.size()) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else
      out += c;
  }
  return out;
}

std::vector<TIniCase> LoadIniCases() {
  std::string dir = TestDataDirectory() + "ini/";
  std::istringstream table(ReadFileBytes(dir + "cases.tsv"));
  std::vector<TIniCase> cases;
  std::string line;
  for (int number = 1; std::getline(table, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream columns(line);
    for (std::string field; std::getline(columns, field, '\t');) fields.push_back(Unescape(field));
    fields.resize(6);
    TIniCase c{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], number};
    if (c.expected.starts_with("@")) c.expected = ReadFileBytes(dir + c.expected.substr(1));
    cases.push_back(c);
  }
  return cases;
}

#ifdef _WIN32
constexpr const char* kThisReader = "win32";
#else
constexpr const char* kThisReader = "posix";
#endif

TEST(ReadConfigValueTest, FixtureTable) {
  std::vector<TIniCase> cases = LoadIniCases();
  ASSERT_GT(cases.size(), 0u);
  for (const TIniCase& c : cases) {
    if (c.readers != "all" && c.readers != kThisReader) continue;
    SCOPED_TRACE("cases.tsv line " + std::to_string(c.line) + ": " + c.fixture + " [" + c.section +
                 "] " + c.key);
    RemoveConfigFile();
    std::unique_ptr<TScopedConfigFile> file;
    if (c.fixture != "-") {
      file = std::make_unique<TScopedConfigFile>(
          ReadFileBytes(TestDataDirectory() + "ini/" + c.fixture));
    }
    std::string value = "stale";
    ReadConfigValue(c.section, c.key, c.defaultValue, value);
    EXPECT_EQ(value, c.expected);
  }
}

TEST(ReadConfigValueTest, FindsTheFileBesideTheProgramFromAnotherWorkingDirectory) {
  TScopedConfigFile file("[database]\ndatabase name=Beside\n");
  std::filesystem::path original = std::filesystem::current_path();
  std::filesystem::path elsewhere = std::filesystem::temp_directory_path();
  std::filesystem::current_path(elsewhere);
  {  // a decoy in the working directory must not be read instead

    std::ofstream decoy(elsewhere / "Arvel.ini");
    decoy << "[database]\ndatabase name=WorkingDirectory\n";
  }
  std::string value;
  ReadConfigValue("database", "database name", "", value);
  std::filesystem::remove(elsewhere / "Arvel.ini");
  std::filesystem::current_path(original);
  EXPECT_EQ(value, "Beside");
}

TEST(ReadConfigValueTest, ReadsTheFileAnewOnEveryCall) {
  TScopedConfigFile file("[database]\ndatabase name=Before\n");
  std::string value;
  ReadConfigValue("database", "database name", "", value);
  EXPECT_EQ(value, "Before");
  file.Rewrite("[database]\ndatabase name=After\n");
  ReadConfigValue("database", "database name", "", value);
  EXPECT_EQ(value, "After");
}

TEST(ReadConfigValueTest, HugeLineGivesValuesNotAHang) {
  std::string contents = "[database]\nfiller=" + std::string(10 * 1024 * 1024, 'x') +
                         "\ndatabase name=AfterTheLongLine\n";
  TScopedConfigFile file(contents);
  std::string value;
  ReadConfigValue("database", "filler", "", value);
  EXPECT_EQ(value.size(), 2047u);
  ReadConfigValue("database", "database name", "", value);
  EXPECT_EQ(value, "AfterTheLongLine");
}

TEST(TrimBlanksTest, RemovesEveryControlCharacterAndBlankAtBothEnds) {
  EXPECT_EQ(TrimBlanks(std::string("\x01\t a b \r\n\x1f", 10)), "a b");
  EXPECT_EQ(TrimBlanks("\x7f"), "\x7f");
  EXPECT_TRUE(IsBlank(std::string("\0 \t", 3)));
  EXPECT_FALSE(IsBlank(" x "));
}

}  // namespace
