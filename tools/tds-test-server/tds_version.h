// The TDS versions this server speaks. The reply formats change at 7.1 (collations) and 7.2
// (8-byte DONE row counts, 4-byte line numbers and user types, ALL_HEADERS on requests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tds {

struct TdsVersion {
  std::uint32_t value = 0x74000004;  // as in LOGIN7 and LOGINACK, e.g. 0x72090002 for 7.2

  std::uint8_t major_minor() const { return static_cast<std::uint8_t>(value >> 24); }
  bool has_collations() const { return major_minor() >= 0x71; }
  bool is_72_or_later() const { return major_minor() >= 0x72; }
  // "7.4", "7.3B", ... for the journal.
  std::string name() const;
};

// Accepts the versions between 7.0 and 7.4 a client may ask for; a newer request is answered
// with 7.4 (the server then decides, as SQL Server does), an older one is refused.
std::optional<TdsVersion> negotiate_tds_version(std::uint32_t requested);

}  // namespace tds
