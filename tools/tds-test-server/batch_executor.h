// Runs the statements of one SQL batch against the shared catalog and builds the reply tokens.
// Statement errors are reported the way SQL Server reports them (ERROR, then DONE with the error
// bit) and the next statement still runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tds-test-server/byte_buffer.h"
#include "tools/tds-test-server/shared_state.h"
#include "tools/tds-test-server/tds_version.h"

namespace tds {

struct SessionContext {
  std::string login;
  bool can_alter = false;
  std::string database;  // current database; USE changes it
  TdsVersion version;
  std::uint16_t spid = 0;
};

struct StatementOutcome {
  std::string text;
  std::string kind;  // alter, select, variable, use, set, syntax
  std::int32_t error = 0;
  std::string message;
  bool injected = false;  // failed by --fail-statement
};

struct BatchResult {
  Bytes tokens;
  std::vector<StatementOutcome> outcomes;
  std::string catalog;  // catalog_json() right after the batch
};

// The caller holds state.mutex, and keeps holding it while it journals the result, so that the
// journal lists batches in the order they changed the catalog.
BatchResult execute_batch(std::string_view sql, SessionContext& context, SharedState& state);

}  // namespace tds
