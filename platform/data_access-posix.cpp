// The data access layer over FreeTDS db-lib: one DBPROCESS per connection, the command batch
// sent as it is. Nothing the library reports is printed; its handlers only record failures.
#include <sybdb.h>
#include <sybfront.h>

#include <chrono>
#include <memory>

#include "platform/connection_string.h"
#include "platform/data_access.h"
#include "platform/freetds_config-posix.h"
#include "platform/instance_lookup.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultConnectionTimeoutSeconds = 15;  // ADO's default
// ADO's default command timeout. Without one a batch the server never answers blocks forever.
constexpr int kCommandTimeoutSeconds = 30;
// Server messages above this severity are errors; the rest are information.
constexpr int kMaxInformationSeverity = 10;

// What the handlers found out while the current batch ran. It is reached through the
// DBPROCESS's user data, so no state is shared between connections. During dbopen there is no
// such state yet, and none is needed: dbopen's result says whether the login worked.
struct TBatchState {
  bool failed = false;
};

TBatchState* BatchStateOf(DBPROCESS* dbproc) {
  return dbproc ? reinterpret_cast<TBatchState*>(dbgetuserdata(dbproc)) : nullptr;
}

// INT_CANCEL always: the call that ran into the error fails at once. For a login timeout this
// ends dbopen (anything else waits another period); for a command timeout it kills the
// connection, which the batch then reports.
int HandleLibraryError(DBPROCESS* dbproc, int, int, int, char*, char*) {
  if (TBatchState* state = BatchStateOf(dbproc)) state->failed = true;
  return INT_CANCEL;
}

// db-lib's return codes miss an error raised by any statement but the first, so the batch
// counts as failed when the server reported an error during it.
int HandleServerMessage(DBPROCESS* dbproc, DBINT, int, int severity, char*, char*, char*, int) {
  TBatchState* state = BatchStateOf(dbproc);
  if (state && severity > kMaxInformationSeverity) state->failed = true;
  return 0;
}

// dbinit and dbexit, once for the data access object and every connection it made.
class TDbLibrary {
 public:
  TDbLibrary() {
    ScrubFreeTdsEnvironment();
    initialised_ = dbinit() == SUCCEED;
    if (initialised_) {
      dberrhandle(HandleLibraryError);
      dbmsghandle(HandleServerMessage);
    }
  }
  ~TDbLibrary() {
    if (initialised_) dbexit();
  }
  TDbLibrary(const TDbLibrary&) = delete;
  TDbLibrary& operator=(const TDbLibrary&) = delete;

  bool Initialised() const { return initialised_; }

 private:
  bool initialised_ = false;
};

struct TLoginFree {
  void operator()(LOGINREC* login) const { dbloginfree(login); }
};
using TLoginHandle = std::unique_ptr<LOGINREC, TLoginFree>;

struct TProcessClose {
  void operator()(DBPROCESS* dbproc) const { dbclose(dbproc); }
};
using TProcessHandle = std::unique_ptr<DBPROCESS, TProcessClose>;

class TDbQuery : public TQuery {
 public:
  TDbQuery(DBPROCESS* dbproc, TBatchState& state) : dbproc_(dbproc), state_(state) {}

  void SetCommandText(const std::string& text) override { text_ = text; }

  void Execute() override {
    if (dbdead(dbproc_)) throw TDataAccessError("The connection is broken.");
    state_.failed = false;
    bool failed = !RunAndDrain(text_ + "\r\n");
    if (failed || state_.failed || dbdead(dbproc_)) {
      // Leaves nothing pending, so the connection takes the next batch.
      if (!dbdead(dbproc_)) dbcancel(dbproc_);
      throw TDataAccessError("The server did not run the command batch.");
    }
  }

 private:
  // Sends the batch and reads every result to the end, rows discarded. dbcmd copies the
  // text as it is: db-lib knows no parameter markers.
  bool RunAndDrain(const std::string& batch) {
    if (dbcmd(dbproc_, batch.c_str()) == FAIL) return false;
    bool ok = dbsqlexec(dbproc_) == SUCCEED;
    // Also after a failure: the statements after the failing one have results of their own.
    // A failing statement's dbresults is FAIL and the next call moves on; two in a row mean
    // it does not, and the caller cancels what is left.
    int failsInARow = 0;
    while (!dbdead(dbproc_)) {
      RETCODE result = dbresults(dbproc_);
      if (result == NO_MORE_RESULTS) break;
      if (result == FAIL) {
        ok = false;
        if (++failsInARow > 1) break;
        continue;
      }
      failsInARow = 0;
      if (dbcanquery(dbproc_) == FAIL) ok = false;
    }
    return ok;
  }

  DBPROCESS* dbproc_;
  TBatchState& state_;
  std::string text_;
};

class TDbConnection : public TConnection {
 public:
  explicit TDbConnection(std::shared_ptr<TDbLibrary> library) : library_(std::move(library)) {}

  // Every connection is kept open until it is destroyed.
  void SetKeepConnection(bool) override {}

  void SetConnectionTimeout(int seconds) override {
    timeoutSeconds_ = seconds > 0 ? seconds : kDefaultConnectionTimeoutSeconds;
  }

  void SetConnectionString(const std::string& connectionString) override {
    connectionString_ = connectionString;
  }

  void Open() override {
    if (process_) throw TDataAccessError("The connection is already open.");
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds_);

    std::optional<TConnectionProperties> properties = ParseConnectionString(connectionString_);
    if (!properties) throw TDataAccessError("The connection string is malformed.");
    std::optional<TServerAddress> address = ParseDataSource(properties->DataSource);
    if (!address) throw TDataAccessError("The data source is not a TCP address.");
    // FreeTDS would turn an empty user name into a Kerberos login and "domain\user" into an
    // NTLM one; as SQL Server logins the server refuses both anyway.
    if (!properties->IntegratedSecurity &&
        (properties->UserId.empty() || properties->UserId.find('\\') != std::string::npos)) {
      throw TDataAccessError("The user name is not a SQL Server login.");
    }

    int loginSeconds = timeoutSeconds_;
    int port = address->Port;
    if (port == 0 && address->Instance.empty()) port = DefaultServerPort;
    if (port == 0) {
      std::optional<int> found = LookUpInstancePort(address->Host, address->Instance, deadline);
      if (!found) throw TDataAccessError("The server instance was not found.");
      port = *found;
      // The login gets whole seconds of what is left, so the total stays within the timeout.
      loginSeconds = static_cast<int>(
          std::chrono::duration_cast<std::chrono::seconds>(deadline - Clock::now()).count());
      if (loginSeconds < 1) throw TDataAccessError("The connection timed out.");
    }

    process_ = Login(*properties, TFreeTdsServerEntry(address->Host, port), loginSeconds);
    if (!process_) throw TDataAccessError("The connection could not be opened.");
    dbsetuserdata(process_.get(), reinterpret_cast<BYTE*>(&state_));
    dbsettime(kCommandTimeoutSeconds);
  }

  std::unique_ptr<TQuery> CreateQuery() override {
    if (!process_) throw TDataAccessError("The connection is not open.");
    return std::make_unique<TDbQuery>(process_.get(), state_);
  }

 private:
  static TProcessHandle Login(const TConnectionProperties& properties,
                              const TFreeTdsServerEntry& server, int loginSeconds) {
    TLoginHandle login(dblogin());
    if (!login) return nullptr;
    // Integrated security leaves the user name empty: FreeTDS then logs in with the
    // process's Kerberos credentials and fails at once when it has none.
    if (!properties.IntegratedSecurity) {
      DBSETLUSER(login.get(), properties.UserId.c_str());
      DBSETLPWD(login.get(), properties.Password.c_str());
    }
    // An empty catalog means the login's default database.
    if (!properties.InitialCatalog.empty()) {
      DBSETLDBNAME(login.get(), properties.InitialCatalog.c_str());
    }
    DBSETLCHARSET(login.get(), "UTF-8");
    DBSETLVERSION(login.get(), DBVERSION_74);
    dbsetlogintime(loginSeconds);

    std::string path = server.Path();
    dbsetifile(path.data());
    DBPROCESS* dbproc = dbopen(login.get(), server.ServerName().c_str());
    // Forgets the file; an empty name, as db-lib 1.3 crashes reporting a null one.
    char none[] = "";
    dbsetifile(none);
    return TProcessHandle(dbproc);
  }

  std::shared_ptr<TDbLibrary> library_;
  int timeoutSeconds_ = kDefaultConnectionTimeoutSeconds;
  std::string connectionString_;
  TBatchState state_;
  TProcessHandle process_;  // declared last: closed before the state its handlers use
};

class TDbDataAccess : public TDataAccess {
 public:
  TDbDataAccess() : library_(std::make_shared<TDbLibrary>()) {}

  std::unique_ptr<TConnection> CreateConnection() override {
    if (!library_->Initialised()) throw TDataAccessError("FreeTDS db-lib cannot be initialised.");
    return std::make_unique<TDbConnection>(library_);
  }

 private:
  std::shared_ptr<TDbLibrary> library_;
};

}  // namespace

std::unique_ptr<TDataAccess> CreateDataAccess() {
  return std::make_unique<TDbDataAccess>();
}
