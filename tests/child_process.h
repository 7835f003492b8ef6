// Runs another program the way a user would: its own working directory and environment,
// standard output and error captured in files. A child is always reaped; one still running
// when its owner goes away is killed first.
#ifndef UNLIMIT_TESTS_CHILD_PROCESS_H_
#define UNLIMIT_TESTS_CHILD_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct TChildOptions {
  std::vector<std::string> arguments;  // the program first
  std::string workingDirectory;
  std::vector<std::string> environment;  // NAME=value each
  std::string stdoutPath;                // empty: a pipe, see ReadFirstLine
  std::string stderrPath;                // empty: this process's own standard error
};

class TChildProcess {
 public:
  // Throws std::runtime_error when the program cannot be started.
  explicit TChildProcess(const TChildOptions& options);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // The first line the child writes to its standard output pipe, without the line end.
  std::optional<std::string> ReadFirstLine(std::chrono::milliseconds timeout);
  // The exit status (128 + signal for a killed child), or nothing if it runs past `timeout`.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  void Signal(int signal);

 private:
  pid_t pid_ = -1;
  int stdoutPipe_ = -1;
  std::optional<int> status_;
};

// This process's environment with `overrides` (NAME=value) replacing or adding variables.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides);

#endif  // UNLIMIT_TESTS_CHILD_PROCESS_H_
