#include "tools/tds-test-server/shared_state.h"

#include <cstdio>
#include <fstream>

#include "tools/tds-test-server/json_writer.h"

namespace tds {

void SharedState::save_locked() const {
  if (state_file.empty()) return;
  const std::string temporary = state_file + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << format_catalog(catalog);
    if (!out) return;
  }
  std::rename(temporary.c_str(), state_file.c_str());
}

std::string catalog_json(const Catalog& catalog) {
  std::string out = "[";
  for (const Database& d : catalog.databases) {
    for (const DatabaseFile& f : d.files) {
      if (out.size() > 1) out += ',';
      out += JsonObject()
                 .add("database", d.name)
                 .add("file", f.name)
                 .add("kind", file_kind_name(f.kind))
                 .add("max_size", static_cast<std::int64_t>(f.max_size))
                 .str();
    }
  }
  return out + "]";
}

}  // namespace tds
