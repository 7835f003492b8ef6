// What the data access layer needs from an OLE DB connection string, and where its Data
// Source points. Portable: the Linux build reads the string the job composes for ADO.
#ifndef UNLIMIT_PLATFORM_CONNECTION_STRING_H_
#define UNLIMIT_PLATFORM_CONNECTION_STRING_H_

#include <optional>
#include <string>
#include <string_view>

struct TConnectionProperties {
  std::string DataSource;
  std::string InitialCatalog;
  std::string UserId;
  std::string Password;
  bool IntegratedSecurity = false;  // "Integrated Security=SSPI"
};

// Parses `keyword=value;...` the way OLE DB does: keywords are case-insensitive, blanks
// around keywords and unquoted values are dropped, "==" in a keyword stands for "=", a value
// may be quoted with ' or " (the quote doubled inside), keywords we do not use are ignored
// and a repeated keyword takes its last value. Nothing when the string breaks these rules.
std::optional<TConnectionProperties> ParseConnectionString(std::string_view text);

// A SQL Server address: a host and either a port or an instance name to look the port up.
struct TServerAddress {
  std::string Host;
  int Port = 0;          // 0: not given
  std::string Instance;  // empty: the default instance
};

constexpr int DefaultServerPort = 1433;

// Accepts `host`, `host,port`, `tcp:host,port` and `host\instance` (a port given wins over
// the instance), with blanks around the parts. "(local)", "." and an empty host mean this
// machine. Nothing for another protocol prefix, a bad port or an empty instance name.
std::optional<TServerAddress> ParseDataSource(std::string_view text);

#endif  // UNLIMIT_PLATFORM_CONNECTION_STRING_H_
