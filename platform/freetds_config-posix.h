// Keeps FreeTDS' own configuration out of the connection: its environment variables and its
// freetds.conf files ($FREETDSCONF, $FREETDS/etc, ~/.freetds.conf, the system file) could
// otherwise change the server, port, protocol version, encryption or timeouts behind the
// program's back, whose only configuration is its INI file.
#ifndef UNLIMIT_PLATFORM_FREETDS_CONFIG_POSIX_H_
#define UNLIMIT_PLATFORM_FREETDS_CONFIG_POSIX_H_

#include <string>

// Removes the FreeTDS variables from this process's environment. Call before dbinit.
void ScrubFreeTdsEnvironment();

// A freetds.conf that exists in memory only, with one section named after the host. Set as
// the interfaces file (dbsetifile) it is the first FreeTDS reads; once the server's section is
// found there, FreeTDS reads no other file, so their [global] and server sections stay unused.
class TFreeTdsServerEntry {
 public:
  // Throws TDataAccessError when the host cannot be written into a section (characters a
  // host name does not have) or the in-memory file cannot be made.
  TFreeTdsServerEntry(const std::string& host, int port);
  ~TFreeTdsServerEntry();
  TFreeTdsServerEntry(const TFreeTdsServerEntry&) = delete;
  TFreeTdsServerEntry& operator=(const TFreeTdsServerEntry&) = delete;

  // The name to give dbopen: the section's name.
  const std::string& ServerName() const { return host_; }
  // A path through which the file can be read while this object lives.
  const std::string& Path() const { return path_; }

 private:
  std::string host_;
  std::string path_;
  int fd_ = -1;
};

#endif  // UNLIMIT_PLATFORM_FREETDS_CONFIG_POSIX_H_
