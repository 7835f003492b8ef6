// The stand-in's record of what it was asked to do, and what it was told to refuse. Both
// come from the environment of the process that loads it:
//   ADO_STAND_IN_LOG    the file that receives one line per call (appended, UTF-8); without
//                       it, ado-stand-in.log beside the DLL
//   ADO_STAND_IN_FAIL   calls to refuse, comma-separated: "Open", "Execute#1", "Execute#2"
//                       (the n-th Execute of the process)
//   ADO_STAND_IN_ERROR  the description the refusals carry
#ifndef UNLIMIT_TOOLS_ADO_STAND_IN_CALL_LOG_H_
#define UNLIMIT_TOOLS_ADO_STAND_IN_CALL_LOG_H_

#include <ole2.h>
#include <windows.h>

#include <string>

void WriteLogLine(const std::wstring& line);

// True when the environment asks `call` (e.g. "Execute#2") to fail.
bool ShouldFail(const std::wstring& call);
std::wstring FailureText();

// A value as it appears in the log: integers bare, strings quoted with C escapes so that
// every byte shows, anything else with its type.
std::wstring Describe(const VARIANT& value);

#endif  // UNLIMIT_TOOLS_ADO_STAND_IN_CALL_LOG_H_
