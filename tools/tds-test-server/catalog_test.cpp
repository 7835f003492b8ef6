#include "tools/tds-test-server/catalog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace tds {
namespace {

std::string read_sample() {
  std::ifstream in(TDS_TEST_SERVER_SAMPLE_CATALOG);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The end-to-end tests rely on the sample catalog's content; this pins what they use.
TEST(Catalog, SampleCatalogHasTheLoginsAndFilesTestsUse) {
  const Catalog catalog = parse_catalog(read_sample());
  const Login* arveldb = catalog.find_login("arveldb");
  ASSERT_NE(arveldb, nullptr);
  EXPECT_EQ(arveldb->password, "vt7391");
  EXPECT_EQ(arveldb->default_database, "Plant");
  EXPECT_TRUE(arveldb->can_alter);
  ASSERT_NE(catalog.find_login("sa"), nullptr);
  const Login* reader = catalog.find_login("reader");
  ASSERT_NE(reader, nullptr);
  EXPECT_FALSE(reader->can_alter);

  Catalog copy = catalog;
  Database* plant = copy.find_database("PLANT");
  ASSERT_NE(plant, nullptr);
  ASSERT_NE(plant->find_file("plant_data"), nullptr);
  EXPECT_EQ(plant->find_file("plant_data")->kind, FileKind::kRows);
  EXPECT_EQ(plant->find_file("Plant_log")->kind, FileKind::kLog);
  EXPECT_GT(plant->find_file("Plant_Data")->max_size, 0);
  ASSERT_NE(copy.find_database("Legacy"), nullptr);
  EXPECT_EQ(copy.find_database("Legacy")->find_file("Legacy_Data"), nullptr);
}

TEST(Catalog, FormatsWhatItParses) {
  const std::string text =
      "login \"a b\" \"p \"\"q\"\" #1\" \"my db\" alter\n"
      "login x \"\" master\n"
      "database \"my db\"\n"
      "  file f rows unlimited\n"
      "  file g log 128\n";
  const Catalog catalog = parse_catalog(text);
  EXPECT_EQ(catalog.logins[0].name, "a b");
  EXPECT_EQ(catalog.logins[0].password, "p \"q\" #1");
  EXPECT_EQ(catalog.logins[1].password, "");
  EXPECT_EQ(catalog.databases[0].files[0].max_size, kUnlimited);
  EXPECT_EQ(format_catalog(catalog), text);
}

struct BadCatalog {
  const char* name;
  std::string text;
  std::string error;
};

// Keeps gtest from listing the case as raw bytes.
void PrintTo(const BadCatalog& c, std::ostream* os) {
  *os << c.name;
}

class CatalogRejects : public testing::TestWithParam<BadCatalog> {};

TEST_P(CatalogRejects, NamesTheLine) {
  try {
    parse_catalog(GetParam().text);
    FAIL() << "accepted";
  } catch (const CatalogError& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().error);
  }
}

const BadCatalog kBadCatalogs[] = {
    {"FileBeforeDatabase", "# c\nfile f rows 1\n", "line 2: file before any database line"},
    {"BadKind", "database d\nfile f data 1\n",
     "line 2: expected: file <logical-name> rows|log <max-size>"},
    {"BadMaxSize", "database d\nfile f rows 10MB\n",
     "line 2: max size must be a page count or unlimited"},
    {"RepeatedFileAnyCase", "database d\nfile f rows 1\nfile F log 1\n", "line 3: file F repeated"},
    {"LoginMissingDatabase", "login sa pw\n",
     "line 1: expected: login <name> <password> <default-database> [alter]"},
    {"UnclosedQuote", "login \"sa pw master\n", "line 1: unclosed quote"},
    {"UnknownEntry", "table t\n", "line 1: unknown entry 'table'"},
};

INSTANTIATE_TEST_SUITE_P(Lines, CatalogRejects, testing::ValuesIn(kBadCatalogs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tds
