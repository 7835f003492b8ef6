#include "tests/fake_data_access.h"

class TFakeQuery : public TQuery {
 public:
  TFakeQuery(TFakeDataAccess& owner, int number)
      : owner_(owner), name_("query" + std::to_string(number)) {
    owner_.log_.push_back("create " + name_);
  }
  ~TFakeQuery() override { owner_.log_.push_back("release " + name_); }

  void SetCommandText(const std::string& text) override {
    owner_.log_.push_back(name_ + " text " + text);
  }
  void Execute() override {
    int execution = owner_.executions_++;
    owner_.log_.push_back("execute " + name_);
    const std::vector<bool>& fails = owner_.script_.executeFails;
    if (execution < static_cast<int>(fails.size()) && fails[execution]) {
      throw TDataAccessError("MODIFY FILE failed.");
    }
  }

 private:
  TFakeDataAccess& owner_;
  std::string name_;
};

class TFakeConnection : public TConnection {
 public:
  explicit TFakeConnection(TFakeDataAccess& owner) : owner_(owner) {
    owner_.log_.push_back("create connection");
  }
  ~TFakeConnection() override { owner_.log_.push_back("release connection"); }

  void SetKeepConnection(bool keep) override {
    owner_.log_.push_back(std::string("keep connection ") + (keep ? "on" : "off"));
  }
  void SetConnectionTimeout(int seconds) override {
    owner_.log_.push_back("timeout " + std::to_string(seconds));
  }
  void SetConnectionString(const std::string& connectionString) override {
    owner_.log_.push_back("connection string " + connectionString);
  }
  void Open() override {
    owner_.log_.push_back("open");
    if (owner_.script_.openFails) throw TDataAccessError("Login failed.");
  }
  std::unique_ptr<TQuery> CreateQuery() override {
    if (owner_.script_.createQueryFails) throw TDataAccessError("Out of queries.");
    return std::make_unique<TFakeQuery>(owner_, ++queries_);
  }

 private:
  TFakeDataAccess& owner_;
  int queries_ = 0;
};

std::unique_ptr<TConnection> TFakeDataAccess::CreateConnection() {
  if (script_.createConnectionFails) {
    throw TDataAccessError(
        "Error creating object.  Please verify that the data access components are installed");
  }
  return std::make_unique<TFakeConnection>(*this);
}
