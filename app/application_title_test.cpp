#include "app/application_title.h"

#include <gtest/gtest.h>

namespace {

TEST(MakeApplicationTitleTest, CutAtFirstFullStopRestLowerCased) {
  struct Case {
    std::string fileName, title;
  } cases[] = {
      {"TOOL.EXE", "Tool"},
      {"MyTOOL.v2.exe", "Mytool"},
      {"unlimit", "unlimit"},
      {"Unlimit.exe", "Unlimit"},
      {"x", "x"},
      {".hidden", ""},
      {"ÄBC.exe", "Äbc"},
      {"工具ABC.exe", "工具abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeApplicationTitle(c.fileName), c.title) << c.fileName;
}

}  // namespace
