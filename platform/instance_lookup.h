// Finding a named SQL Server instance's TCP port through the SQL Server Browser service
// (the SQL Server Resolution Protocol over UDP port 1434). FreeTDS can do this itself, but
// it retries for about 16 s regardless of the login timeout; this lookup ends at a deadline.
#ifndef UNLIMIT_PLATFORM_INSTANCE_LOOKUP_H_
#define UNLIMIT_PLATFORM_INSTANCE_LOOKUP_H_

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

constexpr int BrowserPort = 1434;

// The unicast request for one instance's details. Nothing for a name the protocol cannot carry
// (empty, longer than 32 bytes, or with a ';' or NUL in it).
std::optional<std::string> MakeInstanceRequest(std::string_view instance);

// The TCP port in the Browser's answer when it describes `instance` (compared without letter
// case) and the instance listens on TCP; nothing for any other datagram.
std::optional<int> InstancePortFromReply(std::string_view reply, std::string_view instance);

// Asks the Browser on `host` until it answers, refuses or `deadline` passes. Only tests ask
// on another port than the Browser's own.
std::optional<int> LookUpInstancePort(const std::string& host, const std::string& instance,
                                      std::chrono::steady_clock::time_point deadline,
                                      int browserPort = BrowserPort);

#endif  // UNLIMIT_PLATFORM_INSTANCE_LOOKUP_H_
