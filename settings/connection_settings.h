// The six settings that name one SQL Server database and its login, and the OLE DB
// connection string composed from them.
#ifndef UNLIMIT_SETTINGS_CONNECTION_SETTINGS_H_
#define UNLIMIT_SETTINGS_CONNECTION_SETTINGS_H_

#include <string>

// Each field exactly as read (or fixed for the ACCESS driver); nothing is trimmed or escaped.
struct TConnectionSettings {
  std::string DriverName;
  std::string ServerName;
  std::string LoginMode;
  std::string DatabaseName;
  std::string UserName;
  std::string Password;
};

extern const std::string DefaultUserName;
extern const std::string DefaultPassword;

// Reads section "database" of the configuration file: six reads, four for the ACCESS driver.
TConnectionSettings ResolveConnectionSettings();

// The SQL Server login template, or the integrated-security one when the trimmed login mode
// is "win" (letter case counting). Values go in unchanged: deployed files rely on it.
std::string BuildConnectionString(const TConnectionSettings& settings);

#endif  // UNLIMIT_SETTINGS_CONNECTION_SETTINGS_H_
