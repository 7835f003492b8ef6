#include "app/shell.h"

#include <gtest/gtest.h>

#include "job/alteration_job.h"
#include "tests/fake_application.h"
#include "tests/fake_data_access.h"
#include "tests/test_support.h"

namespace {

TEST(CreateMainFormTest, FailureEscapingTheJobIsShownInTheErrorBoxAndNothingElse) {
  RemoveConfigFile();
  std::vector<std::string> log;
  TFakeDataAccess dataAccess(TFakeScript().FailCreateConnection(), log);
  TFakeApplication application(log);
  CreateMainForm(application, dataAccess);
  EXPECT_EQ(log, std::vector<std::string>{"error box Error creating object.  Please verify that "
                                          "the data access components are installed."});
}

TEST(CreateMainFormTest, NormalRunShowsOneMessageAndRequestsTermination) {
  RemoveConfigFile();
  std::vector<std::string> log;
  TFakeDataAccess dataAccess(TFakeScript().FailOpen(), log);
  TFakeApplication application(log);
  CreateMainForm(application, dataAccess);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 3], "failure " + ConnectFailedMessage);
  EXPECT_EQ(log.back(), "terminate");
}

TEST(WithClosingFullStopTest, AppendsOnlyAfterCharactersSortingAfterTheFullStop) {
  struct Case {
    std::string text, expected;
  } cases[] = {
      {"Failed", "Failed."},   {"Failed.", "Failed."}, {"Failed!", "Failed!"},
      {"Code 42", "Code 42."}, {"Done)", "Done)"},     {"", ""},
      {"失败", "失败."},       {"path/", "path/."},
  };
  for (const Case& c : cases) EXPECT_EQ(WithClosingFullStop(c.text), c.expected) << c.text;
}

}  // namespace
