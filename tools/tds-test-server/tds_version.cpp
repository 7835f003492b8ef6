#include "tools/tds-test-server/tds_version.h"

#include <cstdio>

namespace tds {

std::string TdsVersion::name() const {
  switch (value) {
    case 0x70000000:
      return "7.0";
    case 0x71000000:
    case 0x71000001:
      return "7.1";
    case 0x72090002:
      return "7.2";
    case 0x730A0003:
      return "7.3A";
    case 0x730B0003:
      return "7.3B";
    case 0x74000004:
      return "7.4";
    default:
      break;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(value));
  return buf;
}

std::optional<TdsVersion> negotiate_tds_version(std::uint32_t requested) {
  const std::uint8_t major_minor = static_cast<std::uint8_t>(requested >> 24);
  if (major_minor < 0x70) return std::nullopt;
  if (major_minor > 0x74) return TdsVersion{0x74000004};
  return TdsVersion{requested};
}

}  // namespace tds
