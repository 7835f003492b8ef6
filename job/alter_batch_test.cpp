#include "job/alter_batch.h"

#include <gtest/gtest.h>

namespace {

TEST(BuildAlterBatchTest, BothNamingSchemes) {
  EXPECT_EQ(BuildAlterBatch("Plant", dnSuffixed),
            "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_Data',MAXSIZE=Unlimited) "
            "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) ");
  EXPECT_EQ(BuildAlterBatch("Plant", dnPlain),
            "ALTER DATABASE Plant MODIFY FILE (NAME='Plant',MAXSIZE=Unlimited) "
            "ALTER DATABASE Plant MODIFY FILE (NAME='Plant_log',MAXSIZE=Unlimited) ");
  // The suffixes keep their letter case whatever the database name's.
  EXPECT_EQ(BuildAlterBatch("PLANT", dnSuffixed),
            "ALTER DATABASE PLANT MODIFY FILE (NAME='PLANT_Data',MAXSIZE=Unlimited) "
            "ALTER DATABASE PLANT MODIFY FILE (NAME='PLANT_log',MAXSIZE=Unlimited) ");
}

TEST(BuildAlterBatchTest, EmptyNameStaysEmptySoTheServerRejectsIt) {
  EXPECT_EQ(BuildAlterBatch("", dnSuffixed),
            "ALTER DATABASE  MODIFY FILE (NAME='_Data',MAXSIZE=Unlimited) "
            "ALTER DATABASE  MODIFY FILE (NAME='_log',MAXSIZE=Unlimited) ");
  EXPECT_EQ(BuildAlterBatch("", dnPlain),
            "ALTER DATABASE  MODIFY FILE (NAME='',MAXSIZE=Unlimited) "
            "ALTER DATABASE  MODIFY FILE (NAME='_log',MAXSIZE=Unlimited) ");
}

TEST(BuildAlterBatchTest, IrregularNamesAreDelimitedAndLiteralsQuoted) {
  struct Case {
    std::string name, inStatement, dataLiteral;
  } cases[] = {
      {"Plant_2", "Plant_2", "'Plant_2_Data'"},
      {"_x", "_x", "'_x_Data'"},
      {"My Plant", "[My Plant]", "'My Plant_Data'"},
      {"2024db", "[2024db]", "'2024db_Data'"},
      {"a:b", "[a:b]", "'a:b_Data'"},
      {"O'Brien", "[O'Brien]", "'O''Brien_Data'"},
      {"Order", "[Order]", "'Order_Data'"},
      {"order", "[order]", "'order_Data'"},
      {"x;DROP DATABASE y", "[x;DROP DATABASE y]", "'x;DROP DATABASE y_Data'"},
      {"a]b", "[a]]b]", "'a]b_Data'"},
      {"工厂", "[工厂]", "'工厂_Data'"},
      {"x]) DROP DATABASE y --", "[x]]) DROP DATABASE y --]", "'x]) DROP DATABASE y --_Data'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string logLiteral = c.dataLiteral.substr(0, c.dataLiteral.size() - 6) + "_log'";
    EXPECT_EQ(BuildAlterBatch(c.name, dnSuffixed),
              "ALTER DATABASE " + c.inStatement + " MODIFY FILE (NAME=" + c.dataLiteral +
                  ",MAXSIZE=Unlimited) ALTER DATABASE " + c.inStatement +
                  " MODIFY FILE (NAME=" + logLiteral + ",MAXSIZE=Unlimited) ");
  }
}

}  // namespace
