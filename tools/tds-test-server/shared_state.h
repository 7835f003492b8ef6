// What all connections of one server share for its lifetime: the catalog, the statement count
// that injected failures refer to, and where the catalog is saved after each batch.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tools/tds-test-server/catalog.h"

namespace tds {

// --fail-statement N:NUMBER:TEXT makes the N-th ALTER DATABASE statement the server receives
// (counted from 1 across all connections) fail with this error instead of running.
struct InjectedFailure {
  std::int64_t ordinal = 0;
  std::int32_t number = 0;
  std::string text;
};

struct SharedState {
  std::mutex mutex;  // guards everything below; a batch holds it while it runs
  Catalog catalog;
  std::vector<InjectedFailure> failures;
  std::int64_t alter_statements = 0;
  std::string state_file;  // rewritten after every batch when not empty

  // Writes the catalog to state_file atomically (temporary file, then rename). Call with the
  // mutex held.
  void save_locked() const;
};

// The catalog's files as a JSON array, one object per file in catalog order:
// [{"database":"Plant","file":"Plant_Data","kind":"rows","max_size":-1},...]
std::string catalog_json(const Catalog& catalog);

}  // namespace tds
