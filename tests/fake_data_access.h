// A scripted, in-memory data access layer: records every call in one event log and fails
// where the script says.
#ifndef UNLIMIT_TESTS_FAKE_DATA_ACCESS_H_
#define UNLIMIT_TESTS_FAKE_DATA_ACCESS_H_

#include <string>
#include <vector>

#include "platform/data_access.h"

struct TFakeScript {
  bool createConnectionFails = false;
  bool openFails = false;
  bool createQueryFails = false;   // every CreateQuery throws
  std::vector<bool> executeFails;  // by execution, first one first; missing entries succeed

  TFakeScript& FailCreateConnection() { return createConnectionFails = true, *this; }
  TFakeScript& FailOpen() { return openFails = true, *this; }
  TFakeScript& FailCreateQuery() { return createQueryFails = true, *this; }
  TFakeScript& FailExecutions(std::vector<bool> fails) {
    return executeFails = std::move(fails), *this;
  }
};

class TFakeDataAccess : public TDataAccess {
 public:
  explicit TFakeDataAccess(TFakeScript script, std::vector<std::string>& log)
      : script_(std::move(script)), log_(log) {}
  std::unique_ptr<TConnection> CreateConnection() override;

 private:
  TFakeScript script_;
  std::vector<std::string>& log_;
  int executions_ = 0;
  friend class TFakeConnection;
  friend class TFakeQuery;
};

#endif  // UNLIMIT_TESTS_FAKE_DATA_ACCESS_H_
