// The Transact-SQL batch that lifts the maximum size of a database's data and log files.
#ifndef UNLIMIT_JOB_ALTER_BATCH_H_
#define UNLIMIT_JOB_ALTER_BATCH_H_

#include <string>

// How the data file's logical name is formed from the database name.
enum TDataFileNaming {
  dnSuffixed,  // database name + "_Data"
  dnPlain,     // the database name itself
};

// Two ALTER DATABASE statements on one line, ending in a blank. The log file is always
// database name + "_log". A database name that is not a regular identifier is delimited
// with brackets, so no name can break or extend the batch.
std::string BuildAlterBatch(const std::string& databaseName, TDataFileNaming naming);

// True for an ASCII letter or underscore followed by ASCII letters, digits or underscores,
// other than a reserved Transact-SQL keyword.
bool IsRegularIdentifier(const std::string& name);

#endif  // UNLIMIT_JOB_ALTER_BATCH_H_
