// The one thing the program is for: connect, lift the size limits, tell the user, end.
#ifndef UNLIMIT_JOB_ALTERATION_JOB_H_
#define UNLIMIT_JOB_ALTERATION_JOB_H_

#include <string>

#include "platform/application.h"
#include "platform/data_access.h"

// The user's messages (UTF-8).
extern const std::string SuccessMessage;        // the database properties were changed
extern const std::string ConnectFailedMessage;  // connecting failed; check the configuration file
extern const std::string AlterFailedMessage;    // the database properties could not be changed

// Resolves the settings, opens one connection, runs the batch with the suffixed data file
// name and, if that fails in any way, once more with the plain one; shows exactly one
// message, releases everything it made and requests termination once. A failure while the
// connection object is created or configured is not handled here: it reaches the caller.
void RunAlterationJob(TDataAccess& dataAccess, TApplication& application);

#endif  // UNLIMIT_JOB_ALTERATION_JOB_H_
