#include "tests/e2e/e2e_support.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kServerStartTimeout{10};
// Far above the longest expected run (15 s) so a hang shows as a failure, not a killed test.
constexpr std::chrono::seconds kProgramRunTimeout{60};

const char* const kProgramName = "UNLIMIT";  // its title is "Unlimit"

}  // namespace

TTempDirectory::TTempDirectory() {
  std::string pattern = (fs::temp_directory_path() / "unlimit-e2e-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TTempDirectory::~TTempDirectory() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TTempDirectory::Write(const std::string& name, const std::string& contents) const {
  fs::path path = fs::path(path_) / name;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
  return path.string();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TTestServer::TTestServer(const TTempDirectory& folder, const std::string& catalog,
                         const std::vector<std::string>& extraArguments) {
  std::string catalogPath = folder.Write("server/catalog", catalog);
  journalPath_ = (fs::path(folder.Path()) / "server/journal").string();
  TChildOptions options;
  options.arguments = {TDS_TEST_SERVER_EXECUTABLE, "--catalog", catalogPath, "--journal",
                       journalPath_};
  options.arguments.insert(options.arguments.end(), extraArguments.begin(), extraArguments.end());
  options.environment = EnvironmentWith({});
  options.stderrPath = (fs::path(folder.Path()) / "server/stderr").string();
  process_ = std::make_unique<TChildProcess>(options);
  std::optional<std::string> line = process_->ReadFirstLine(kServerStartTimeout);
  if (!line) throw std::runtime_error("tds-test-server did not report its port");
  port_ = std::stoi(*line);
}

std::vector<std::string> TTestServer::StopAndReadJournal() {
  process_->Signal(SIGTERM);
  process_->Wait(kServerStartTimeout);
  std::vector<std::string> lines;
  std::istringstream journal(ReadFileBytes(journalPath_));
  for (std::string line; std::getline(journal, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> EventsOf(const std::vector<std::string>& journal,
                                  const std::string& kind) {
  std::vector<std::string> events;
  for (const std::string& line : journal) {
    if (line.find("{\"event\":\"" + kind + "\"") == 0) events.push_back(line);
  }
  return events;
}

std::optional<std::string> JsonStringMember(const std::string& line, const std::string& name) {
  std::string key = "\"" + name + "\":\"";
  std::size_t at = line.find(key);
  if (at == std::string::npos) return std::nullopt;
  std::string value;
  for (std::size_t i = at + key.size(); i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') return value;
    if (c != '\\' || i + 1 == line.size()) {
      value += c;
      continue;
    }
    char escaped = line[++i];
    switch (escaped) {
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      case 't':
        value += '\t';
        break;
      case 'u':  // the journal escapes control characters only
        value += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
        i += 4;
        break;
      default:
        value += escaped;
    }
  }
  return std::nullopt;
}

bool IsUnlimited(const std::string& line, const std::string& database, const std::string& file) {
  std::string prefix = "{\"database\":\"" + database + "\",\"file\":\"" + file + "\",";
  std::size_t at = line.find(prefix);
  if (at == std::string::npos) return false;
  std::size_t end = line.find('}', at);
  return line.substr(at, end - at).find("\"max_size\":-1") != std::string::npos;
}

int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("no free port");
  }
  close(fd);
  return ntohs(address.sin_port);
}

TInstalledProgram::TInstalledProgram(const TTempDirectory& folder,
                                     const std::optional<std::string>& ini) {
  programFolder_ = (fs::path(folder.Path()) / "program").string();
  workingFolder_ = (fs::path(folder.Path()) / "elsewhere").string();
  outputFolder_ = (fs::path(folder.Path()) / "output").string();
  valgrindLog_ = (fs::path(outputFolder_) / "valgrind.log").string();
  fs::create_directories(programFolder_);
  fs::create_directories(outputFolder_);
  fs::copy_file(UNLIMIT_EXECUTABLE, fs::path(programFolder_) / kProgramName);
  if (ini) folder.Write("program/Arvel.ini", *ini);
  // Read by mistake, it would send the program to a port where nothing listens.
  folder.Write("elsewhere/Arvel.ini", "[database]\r\nserver name=127.0.0.1,1\r\n");
}

TRunResult TInstalledProgram::Run(const std::vector<std::string>& environment,
                                  const std::vector<std::string>& launcher) const {
  TChildOptions options;
  options.arguments = launcher;
  if (const char* valgrind = std::getenv("UNLIMIT_E2E_VALGRIND")) {
    options.arguments.insert(
        options.arguments.end(),
        {valgrind, "-q", "--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
         "--error-exitcode=1", "--log-file=" + valgrindLog_});
  }
  options.arguments.push_back((fs::path(programFolder_) / kProgramName).string());
  options.workingDirectory = workingFolder_;
  options.environment = EnvironmentWith(environment);
  options.stdoutPath = (fs::path(outputFolder_) / "stdout").string();
  options.stderrPath = (fs::path(outputFolder_) / "stderr").string();

  auto start = std::chrono::steady_clock::now();
  TRunResult result;
  {
    TChildProcess process(options);
    result.status = process.Wait(kProgramRunTimeout).value_or(-1);
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.out = ReadFileBytes(options.stdoutPath);
  result.err = ReadFileBytes(options.stderrPath);
  return result;
}

std::optional<std::vector<std::string>> FreeTdsFilesReplacedLauncher(
    const std::string& freetdsConf) {
  // Inside the namespace the user is root, whose home FreeTDS takes from the password database.
  const std::string script =
      "set -e; home=$(getent passwd 0 | cut -d: -f6);"
      "mount --bind \"$0\" /etc/freetds/freetds.conf;"
      "mount -t tmpfs none \"$home\"; cp \"$0\" \"$home/.freetds.conf\";"
      "exec \"$@\"";
  std::vector<std::string> launcher = {
      "/usr/bin/unshare", "--user", "--map-root-user", "--mount", "/bin/sh", "-c", script,
      freetdsConf};
  TTempDirectory scratch;
  TChildOptions probe;
  probe.arguments = launcher;
  probe.arguments.push_back("/bin/true");
  probe.environment = EnvironmentWith({});
  probe.stdoutPath = scratch.Path() + "/out";
  probe.stderrPath = scratch.Path() + "/err";
  try {
    if (TChildProcess(probe).Wait(std::chrono::seconds(10)) != 0) return std::nullopt;
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
  return launcher;
}

std::string MessageLine(const std::string& message) {
  return "Unlimit: " + message + "\n";
}
