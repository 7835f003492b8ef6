// The data access layer the alteration job talks to: one connection, queries bound to it.
// The Windows build drives ADO through COM; the Linux build speaks TDS through FreeTDS.
// Every operation that can fail throws TDataAccessError; releasing an object is destroying it.
#ifndef UNLIMIT_PLATFORM_DATA_ACCESS_H_
#define UNLIMIT_PLATFORM_DATA_ACCESS_H_

#include <memory>
#include <stdexcept>
#include <string>

// A failure reported by the data access components. The job never looks at its text; the
// shell shows it only when it escapes the job (the connection object cannot be created).
class TDataAccessError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command bound to an open connection. Destroying it leaves the connection open.
class TQuery {
 public:
  virtual ~TQuery() = default;
  // `text` is UTF-8 and reaches the server unchanged, followed by CR LF.
  virtual void SetCommandText(const std::string& text) = 0;
  // Runs the command text once; whatever the server returns is discarded unread.
  // Throws when the server rejects any statement of the batch or the connection dies.
  virtual void Execute() = 0;
};

// One connection. Destroying it closes it if open. Queries must be destroyed first.
class TConnection {
 public:
  virtual ~TConnection() = default;
  virtual void SetKeepConnection(bool keep) = 0;
  virtual void SetConnectionTimeout(int seconds) = 0;
  // An OLE DB connection string in UTF-8.
  virtual void SetConnectionString(const std::string& connectionString) = 0;
  // Synchronous; uses the connection string alone and never prompts for a login.
  virtual void Open() = 0;
  // A new query object bound to this (open) connection.
  virtual std::unique_ptr<TQuery> CreateQuery() = 0;
};

class TDataAccess {
 public:
  virtual ~TDataAccess() = default;
  // Throws TDataAccessError when the data access components are not available.
  virtual std::unique_ptr<TConnection> CreateConnection() = 0;
};

// The platform's data access components.
std::unique_ptr<TDataAccess> CreateDataAccess();

#endif  // UNLIMIT_PLATFORM_DATA_ACCESS_H_
