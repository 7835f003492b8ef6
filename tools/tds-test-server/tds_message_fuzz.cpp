// Arbitrary bytes from a client, through the packet reader and a session. The first byte picks
// where the conversation starts and how the input is cut into reads:
//   bits 0-1: 0 a new connection; 1 logged in at TDS 7.4; 2 logged in at 7.1;
//             3 logged in at 7.4 with the rest of the input run as SQL text (the parser and
//             executor without framing in the way)
//   bits 2-7: read size - 1, in steps of 7 bytes
// Besides crashes, it checks that every token stream the server writes can be read back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "tools/tds-test-server/batch_executor.h"
#include "tools/tds-test-server/client_messages.h"
#include "tools/tds-test-server/packet.h"
#include "tools/tds-test-server/session.h"
#include "tools/tds-test-server/token_scanner.h"

namespace {

constexpr const char* kCatalog =
    "login sa secret master alter\n"
    "login reader reader Plant\n"
    "database master\n"
    "  file master rows unlimited\n"
    "database Plant\n"
    "  file Plant_Data rows 12800\n"
    "  file Plant_log log 6400\n";

tds::Bytes login_message(std::uint32_t version) {
  tds::LoginRequest login;
  login.user = "sa";
  login.password = "secret";
  login.tds_version = version;
  return tds::build_login7(login);
}

void expect_readable(const tds::Bytes& tokens, tds::TdsVersion version) {
  try {
    tds::scan_tokens(tokens, version);
  } catch (const tds::ProtocolError&) {
    std::abort();  // the server wrote a token stream a client could not parse
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int start = data[0] & 3;
  const std::size_t read_size = 1 + static_cast<std::size_t>(data[0] >> 2) * 7;
  const tds::ByteView input(data + 1, size - 1);

  // Built once: every run repeating the same setup only slows the fuzzer down.
  static const tds::Catalog catalog = tds::parse_catalog(kCatalog);
  static const tds::Bytes login74 = login_message(0x74000004);
  static const tds::Bytes login71 = login_message(0x71000001);

  tds::SharedState state;
  state.catalog = catalog;
  tds::Journal journal;  // records nothing, but events are still built
  tds::Session session(state, journal, 1);
  const tds::TdsVersion version{start == 2 ? 0x71000001u : 0x74000004u};
  if (start != 0) session.handle({tds::PacketType::kLogin7, start == 2 ? login71 : login74});
  if (start == 3) {
    tds::SessionContext context{"sa", true, "master", version, 51};
    std::lock_guard lock(state.mutex);
    const std::string sql(reinterpret_cast<const char*>(input.data()), input.size());
    expect_readable(tds::execute_batch(sql, context, state).tokens, version);
    return 0;
  }

  tds::PacketReader reader;
  try {
    for (std::size_t pos = 0; pos < input.size(); pos += read_size) {
      reader.feed(input.subspan(pos, std::min(read_size, input.size() - pos)));
      while (std::optional<tds::Message> m = reader.next()) {
        const tds::Reply reply = session.handle(*m);
        // Once logged in, every reply is a token stream in the version fixed at login.
        if (start != 0) expect_readable(reply.payload, version);
        tds::frame_message(tds::PacketType::kTabularResult, reply.payload, session.packet_size(),
                           session.spid());
        if (reply.close) return 0;
      }
    }
  } catch (const tds::ProtocolError&) {
    // The connection would be closed; that is the expected answer to garbage.
  }
  return 0;
}
