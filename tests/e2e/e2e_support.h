// What the end-to-end tests share: temporary folders, the TDS test server with its journal,
// and the real program installed in a folder of its own.
#ifndef UNLIMIT_TESTS_E2E_E2E_SUPPORT_H_
#define UNLIMIT_TESTS_E2E_E2E_SUPPORT_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/child_process.h"

// A fresh folder under the system's temporary folder, removed with its contents.
class TTempDirectory {
 public:
  TTempDirectory();
  ~TTempDirectory();
  TTempDirectory(const TTempDirectory&) = delete;
  TTempDirectory& operator=(const TTempDirectory&) = delete;

  const std::string& Path() const { return path_; }
  // Creates `name` (subfolders included) with `contents`; returns its full path.
  std::string Write(const std::string& name, const std::string& contents) const;

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> ListDirectory(const std::string& path);

// tds-test-server on a port of its own choosing, journalling into `folder`.
class TTestServer {
 public:
  TTestServer(const TTempDirectory& folder, const std::string& catalog,
              const std::vector<std::string>& extraArguments = {});
  int Port() const { return port_; }
  // Stops the server and returns its journal, one event a line, the stop event last.
  std::vector<std::string> StopAndReadJournal();

 private:
  std::string journalPath_;
  std::unique_ptr<TChildProcess> process_;
  int port_ = 0;
};

// Journal lines of one event kind ("batch", "login", ...).
std::vector<std::string> EventsOf(const std::vector<std::string>& journal, const std::string& kind);
// A string member of one journal line, unescaped; nothing if the line has no such member.
std::optional<std::string> JsonStringMember(const std::string& line, const std::string& name);
// Whether the catalog in a journal line shows `file` of `database` without a size limit.
bool IsUnlimited(const std::string& line, const std::string& database, const std::string& file);

// A loopback TCP port where nothing listens (picked by the system, then closed again).
int ClosedPort();

struct TRunResult {
  int status = -1;
  std::string out;
  std::string err;
  double seconds = 0;
};

// The program copied as UNLIMIT into a folder of its own, optionally with Arvel.ini beside
// it, and started from another folder that holds a decoy Arvel.ini.
class TInstalledProgram {
 public:
  TInstalledProgram(const TTempDirectory& folder, const std::optional<std::string>& ini);
  // Runs it to its end with `environment` added to this process's environment. When
  // UNLIMIT_E2E_VALGRIND names valgrind, the program runs under it and leaks count as failure.
  // `launcher` (a command and its arguments) starts the program if given.
  TRunResult Run(const std::vector<std::string>& environment = {},
                 const std::vector<std::string>& launcher = {}) const;
  // Files in the program's folder and in the working folder after a run.
  std::vector<std::string> ProgramFolderFiles() const { return ListDirectory(programFolder_); }
  std::vector<std::string> WorkingFolderFiles() const { return ListDirectory(workingFolder_); }
  const std::string& ValgrindLog() const { return valgrindLog_; }

 private:
  std::string programFolder_;
  std::string workingFolder_;
  std::string outputFolder_;
  std::string valgrindLog_;
};

// A launcher that gives the program private mounts in which `freetdsConf` replaces the system's
// freetds.conf and the home folder holds a copy of it as .freetds.conf. Nothing if this
// machine does not allow unprivileged user and mount namespaces.
std::optional<std::vector<std::string>> FreeTdsFilesReplacedLauncher(
    const std::string& freetdsConf);

// The user's messages as the console program writes them.
std::string MessageLine(const std::string& message);

#endif  // UNLIMIT_TESTS_E2E_E2E_SUPPORT_H_
