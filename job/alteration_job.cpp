#include "job/alteration_job.h"

#include <memory>
#include <vector>

#include "job/alter_batch.h"
#include "settings/connection_settings.h"

const std::string SuccessMessage = "修改数据库属性成功！";
const std::string ConnectFailedMessage = "数据库连接失败！请检查配置文件！";
const std::string AlterFailedMessage = "修改数据库属性失败！";

namespace {

constexpr int kConnectionTimeoutSeconds = 15;

// One attempt: a new query bound to the connection, the batch, one execution. Any failure,
// also while the query is being made, counts; the query made stays with the caller.
bool TryBatch(TConnection& connection, const std::string& databaseName, TDataFileNaming naming,
              std::vector<std::unique_ptr<TQuery>>& queries) {
  try {
    queries.push_back(connection.CreateQuery());
    queries.back()->SetCommandText(BuildAlterBatch(databaseName, naming));
    queries.back()->Execute();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

void RunAlterationJob(TDataAccess& dataAccess, TApplication& application) {
  TConnectionSettings settings = ResolveConnectionSettings();
  std::string connectionString = BuildConnectionString(settings);

  std::unique_ptr<TConnection> connection = dataAccess.CreateConnection();
  connection->SetKeepConnection(true);
  connection->SetConnectionTimeout(kConnectionTimeoutSeconds);
  connection->SetConnectionString(connectionString);

  std::vector<std::unique_ptr<TQuery>> queries;
  bool opened = false;
  bool altered = false;
  try {
    connection->Open();
    opened = true;
    altered = TryBatch(*connection, settings.DatabaseName, dnSuffixed, queries) ||
              TryBatch(*connection, settings.DatabaseName, dnPlain, queries);
  } catch (...) {
    // Whatever went wrong, the user is told the connection failed; the component's own
    // text is not shown.
  }

  if (!opened) {
    application.ShowMessage(ConnectFailedMessage, TMessageKind::mkFailure);
  } else if (altered) {
    application.ShowMessage(SuccessMessage, TMessageKind::mkSuccess);
  } else {
    application.ShowMessage(AlterFailedMessage, TMessageKind::mkFailure);
  }
  queries.clear();  // queries go before the connection they are bound to
  connection.reset();
  application.Terminate();
}
