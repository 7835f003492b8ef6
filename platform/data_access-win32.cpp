// The data access layer over ADO, bound late through IDispatch so that the program needs no
// type library and runs on whichever ADO version the system has.
#include "platform/data_access.h"

#include "platform/dispatch-win32.h"
#include "platform/text_encoding-win32.h"

namespace {

// ADO's enumerations, as the type library declares them.
constexpr LONG adCmdText = 1;
constexpr LONG adExecuteNoRecords = 0x80;
constexpr LONG adStateOpen = 1;
constexpr LONG adOptionUnspecified = -1;

const std::string kCreateFailedText =
    "Error creating object.  Please verify that the Microsoft Data Access Components 2.1 (or "
    "later) have been properly installed";

// An ADODB.Command on the connection. Releasing it is all ADO needs: the command's own
// reference to the connection goes with it, and the connection stays open.
class TAdoQuery : public TQuery {
 public:
  explicit TAdoQuery(IDispatch* connection)
      : command_(TDispatchObject::Create(L"ADODB.Command", kCreateFailedText)) {
    command_.PutRef(L"ActiveConnection", connection);
    command_.Put(L"CommandType", TVariant::Int(adCmdText));
  }

  void SetCommandText(const std::string& text) override {
    command_.Put(L"CommandText", TVariant::String(Utf8ToWide(text + "\r\n")));
  }

  void Execute() override {
    TVariant recordsAffected = TVariant::Missing();
    TVariant parameters = TVariant::Missing();
    TVariant options = TVariant::Int(adCmdText | adExecuteNoRecords);
    // With no records asked for, ADO hands back no recordset, or a closed one; either is
    // released unread with the result.
    command_.Call(L"Execute", {&recordsAffected, &parameters, &options});
  }

 private:
  TDispatchObject command_;
};

// An ADODB.Connection. Keeping the connection open needs nothing: ADO connections stay open
// until closed. ADO never prompts for a login unless its "Prompt" property asks it to.
class TAdoConnection : public TConnection {
 public:
  TAdoConnection() : connection_(TDispatchObject::Create(L"ADODB.Connection", kCreateFailedText)) {}

  ~TAdoConnection() override {
    try {
      if (connection_.GetProperty(L"State").AsInt(0) & adStateOpen) {
        connection_.Call(L"Close", {});
      }
    } catch (const TDataAccessError&) {
      // Releasing the object below ends the session in any case.
    }
  }

  // An ADO connection stays open until it is closed or released; there is nothing to set.
  void SetKeepConnection(bool) override {}

  void SetConnectionTimeout(int seconds) override {
    connection_.Put(L"ConnectionTimeout", TVariant::Int(seconds));
  }

  void SetConnectionString(const std::string& connectionString) override {
    connection_.Put(L"ConnectionString", TVariant::String(Utf8ToWide(connectionString)));
  }

  void Open() override {
    // Empty arguments leave the connection string in charge.
    TVariant empty = TVariant::String(L"");
    TVariant options = TVariant::Int(adOptionUnspecified);
    connection_.Call(L"Open", {&empty, &empty, &empty, &options});
  }

  std::unique_ptr<TQuery> CreateQuery() override {
    return std::make_unique<TAdoQuery>(connection_.Get());
  }

 private:
  TDispatchObject connection_;
};

class TAdoDataAccess : public TDataAccess {
 public:
  std::unique_ptr<TConnection> CreateConnection() override {
    return std::make_unique<TAdoConnection>();
  }
};

}  // namespace

std::unique_ptr<TDataAccess> CreateDataAccess() {
  return std::make_unique<TAdoDataAccess>();
}
