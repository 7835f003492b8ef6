#include "platform/freetds_config-posix.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/data_access.h"

namespace {

// Every variable FreeTDS consults for a connection: version, port, host and server name,
// where to find its configuration, and dump files it would write.
constexpr const char* kFreeTdsVariables[] = {
    "TDSVER",      "TDSPORT", "TDSHOST", "TDSQUERY", "DSQUERY",
    "FREETDSCONF", "FREETDS", "SYBASE",  "TDSDUMP",  "TDSDUMPCONFIG",
};

// FreeTDS reads configuration lines of up to 255 bytes.
constexpr std::size_t kMaxHostLength = 200;

// Letters, digits and what host names and IPv4/IPv6 addresses contain; nothing that means
// something in a freetds.conf line ('[', ']', '=', ';', '#', blanks).
bool IsWritableHost(const std::string& host) {
  if (host.empty() || host.size() > kMaxHostLength) return false;
  for (char c : host) {
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '.' || c == '-' || c == '_' || c == ':' || c == '%';
    if (!allowed) return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

void ScrubFreeTdsEnvironment() {
  for (const char* name : kFreeTdsVariables) unsetenv(name);
}

TFreeTdsServerEntry::TFreeTdsServerEntry(const std::string& host, int port) : host_(host) {
  if (!IsWritableHost(host)) throw TDataAccessError("The server name is not a host name.");
  // The protocol version is pinned: FreeTDS' version detection ignores the login timeout.
  std::string text = "[" + host + "]\n\thost = " + host + "\n\tport = " + std::to_string(port) +
                     "\n\ttds version = 7.4\n";
  fd_ = memfd_create("freetds.conf", MFD_CLOEXEC);
  if (fd_ < 0 || !WriteAll(fd_, text)) {
    if (fd_ >= 0) close(fd_);
    throw TDataAccessError("The connection settings cannot be handed to FreeTDS.");
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

TFreeTdsServerEntry::~TFreeTdsServerEntry() {
  close(fd_);
}
