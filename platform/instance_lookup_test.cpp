#include "platform/instance_lookup.h"

#include <gtest/gtest.h>

namespace {

// A Browser response datagram around `data`, its length in the header.
std::string Reply(const std::string& data) {
  std::string reply = "\x05";
  reply += static_cast<char>(data.size() & 0xFF);
  reply += static_cast<char>(data.size() >> 8);
  return reply + data;
}

TEST(InstanceLookupTest, RequestCarriesTheNameNulTerminated) {
  EXPECT_EQ(MakeInstanceRequest("SQL2008"), std::string("\x04SQL2008\0", 9));
  EXPECT_TRUE(MakeInstanceRequest(std::string(32, 'x')));
  for (std::string bad :
       {std::string(), std::string(33, 'x'), std::string("a;b"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(MakeInstanceRequest(bad)) << bad;
  }
}

TEST(InstanceLookupTest, PortFromReply) {
  const std::string record =
      "ServerName;DB01;InstanceName;SQL2008;IsClustered;No;Version;10.0.1600.22;tcp;1500;"
      "np;\\\\DB01\\pipe\\MSSQL$SQL2008\\sql\\query;;";
  struct Case {
    std::string name;
    std::string reply;
    std::string instance;
    std::optional<int> port;
  } cases[] = {
      {"matching record", Reply(record), "SQL2008", 1500},
      {"name without letter case", Reply(record), "sql2008", 1500},
      {"another instance", Reply(record), "OTHER", std::nullopt},
      {"no tcp", Reply("ServerName;DB01;InstanceName;SQL2008;np;\\\\p;;"), "SQL2008", std::nullopt},
      {"bad port", Reply("InstanceName;SQL2008;tcp;70000;;"), "SQL2008", std::nullopt},
      {"length past the datagram", Reply(record).substr(0, 20), "SQL2008", std::nullopt},
      {"not a response", "\x04" + Reply(record).substr(1), "SQL2008", std::nullopt},
      {"empty", "", "SQL2008", std::nullopt},
      // Only the first record counts; the port of a later instance is not taken.
      {"second record", Reply("InstanceName;A;tcp;1600;;InstanceName;SQL2008;tcp;1500;;"),
       "SQL2008", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(InstancePortFromReply(c.reply, c.instance), c.port);
  }
}

}  // namespace
