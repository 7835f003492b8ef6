// An application object that records messages, error boxes and termination requests in
// the same event log as the fake data access layer, so their order can be checked.
#ifndef UNLIMIT_TESTS_FAKE_APPLICATION_H_
#define UNLIMIT_TESTS_FAKE_APPLICATION_H_

#include <string>
#include <vector>

#include "platform/application.h"

class TFakeApplication : public TApplication {
 public:
  explicit TFakeApplication(std::vector<std::string>& log) : log_(log) {}

  std::string Title() const override { return "Unlimit"; }
  void ShowMessage(const std::string& text, TMessageKind kind) override;
  void Terminate() override { log_.push_back("terminate"); }
  void ShowErrorBox(const std::string& text) override { log_.push_back("error box " + text); }
  int Run() override { return 0; }

 private:
  std::vector<std::string>& log_;
};

#endif  // UNLIMIT_TESTS_FAKE_APPLICATION_H_
