#include "settings/connection_settings.h"

#include "settings/config_file.h"

const std::string DefaultUserName = "ARVELDB";
const std::string DefaultPassword = "vt7391";

namespace {

const std::string kSection = "database";
const std::string kDefaultServerName = "127.0.0.1";

// Only a to z are raised, and nothing is trimmed: " ACCESS" is not ACCESS.
bool IsAccessDriver(const std::string& driverName) {
  std::string upper = driverName;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper == "ACCESS";
}

}  // namespace

TConnectionSettings ResolveConnectionSettings() {
  TConnectionSettings settings;
  ReadConfigValue(kSection, "driver name", "mssql", settings.DriverName);
  ReadConfigValue(kSection, "server name", kDefaultServerName, settings.ServerName);
  ReadConfigValue(kSection, "login mode", "win", settings.LoginMode);
  if (!IsAccessDriver(settings.DriverName)) {
    ReadConfigValue(kSection, "database name", "", settings.DatabaseName);
  } else {
    settings.DatabaseName = "client";
  }
  ReadConfigValue(kSection, "user name", DefaultUserName, settings.UserName);
  if (!IsAccessDriver(settings.DriverName)) {
    ReadConfigValue(kSection, "user passward", DefaultPassword, settings.Password);
  } else {
    settings.Password = "halbur";
  }
  return settings;
}

std::string BuildConnectionString(const TConnectionSettings& settings) {
  if (TrimBlanks(settings.LoginMode) != "win") {
    return "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=" + settings.UserName + ";" +
           "Initial Catalog=" + settings.DatabaseName + ";password = " + settings.Password +
           ";Data Source=" + settings.ServerName;
  }
  return "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
         "Initial Catalog=" +
         settings.DatabaseName + ";Data Source=" + settings.ServerName;
}
