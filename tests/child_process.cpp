#include "tests/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::vector<char*> CStrings(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

int StatusOf(int waitStatus) {
  return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

}  // namespace

TChildProcess::TChildProcess(const TChildOptions& options) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipeEnds[2] = {-1, -1};
  if (options.stdoutPath.empty()) {
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.stderrPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.stderrPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!options.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
  }
  std::vector<char*> argv = CStrings(options.arguments);
  std::vector<char*> envp = CStrings(options.environment);
  int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (pipeEnds[1] >= 0) close(pipeEnds[1]);
  stdoutPipe_ = pipeEnds[0];
  if (error != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + options.arguments.at(0));
  }
}

TChildProcess::~TChildProcess() {
  if (!status_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(10));
  }
  if (stdoutPipe_ >= 0) close(stdoutPipe_);
}

std::optional<std::string> TChildProcess::ReadFirstLine(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string line;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd readable{stdoutPipe_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
    char c;
    if (read(stdoutPipe_, &c, 1) != 1) return std::nullopt;
    if (c == '\n') return line;
    line += c;
  }
}

std::optional<int> TChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int waitStatus = 0;
    pid_t done = waitpid(pid_, &waitStatus, WNOHANG);
    if (done == pid_) {
      status_ = StatusOf(waitStatus);
      return status_;
    }
    if (done < 0 || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void TChildProcess::Signal(int signal) {
  if (!status_ && pid_ > 0) kill(pid_, signal);
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    std::string variable = *entry;
    std::string name = variable.substr(0, variable.find('='));
    bool replaced = false;
    for (const std::string& o : overrides) replaced |= o.substr(0, o.find('=')) == name;
    if (!replaced) environment.push_back(variable);
  }
  environment.insert(environment.end(), overrides.begin(), overrides.end());
  return environment;
}
