#include <cstdio>

#include "app/application_title.h"
#include "platform/application.h"
#include "platform/executable_path.h"

namespace {

// The console form of the application object: a message is one line "<title>: <text>",
// successes on standard output, failures on standard error. Callers read the exit status:
// 0 after success, 1 after a failure message, 2 after the error box.
class TConsoleApplication : public TApplication {
 public:
  std::string Title() const override {
    std::string path = ExecutablePath();
    return MakeApplicationTitle(path.substr(DirectoryOf(path).size()));
  }

  void ShowMessage(const std::string& text, TMessageKind kind) override {
    bool success = kind == TMessageKind::mkSuccess;
    WriteLine(success ? stdout : stderr, text);
    if (exitStatus_ != kErrorBoxStatus) exitStatus_ = success ? 0 : 1;
  }

  // Nothing to queue: Run returns at once in any case.
  void Terminate() override {}

  void ShowErrorBox(const std::string& text) override {
    WriteLine(stderr, text);
    exitStatus_ = kErrorBoxStatus;
  }

  // There is no window to wait for: a pending termination request, or none after the error
  // box, both end the loop at once.
  int Run() override { return exitStatus_; }

 private:
  static constexpr int kErrorBoxStatus = 2;

  void WriteLine(std::FILE* stream, const std::string& text) const {
    std::string line = Title() + ": " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
  }

  int exitStatus_ = 0;
};

}  // namespace

std::unique_ptr<TApplication> CreateApplication() {
  return std::make_unique<TConsoleApplication>();
}
