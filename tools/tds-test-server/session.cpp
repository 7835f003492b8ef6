#include "tools/tds-test-server/session.h"

#include <algorithm>

#include "tools/tds-test-server/login7.h"
#include "tools/tds-test-server/prelogin.h"
#include "tools/tds-test-server/token_writer.h"
#include "tools/tds-test-server/utf16.h"

namespace tds {
namespace {

constexpr std::uint32_t kDefaultPacketSize = 4096;
// SQL Server numbers user sessions from 51.
constexpr int kFirstSpid = 51;

std::string json_outcomes(const std::vector<StatementOutcome>& outcomes) {
  std::string out = "[";
  for (const StatementOutcome& o : outcomes) {
    if (out.size() > 1) out += ',';
    JsonObject s;
    s.add("text", o.text).add("kind", o.kind).add("error", static_cast<std::int64_t>(o.error));
    if (o.error != 0) s.add("message", o.message);
    if (o.injected) s.add("injected", true);
    out += s.str();
  }
  return out + "]";
}

// Skips the ALL_HEADERS block (transaction descriptor and the like) of a TDS 7.2+ request.
ByteView skip_all_headers(ByteView payload) {
  ByteReader outer(payload);
  const std::uint32_t total = outer.u32le();
  if (total < 4 || total > payload.size()) throw ProtocolError("bad ALL_HEADERS length");
  ByteReader headers(payload.subspan(4, total - 4));
  while (headers.remaining() > 0) {
    const std::uint32_t length = headers.u32le();
    if (length < 6 || length - 4 > headers.remaining()) {
      throw ProtocolError("bad header length inside ALL_HEADERS");
    }
    headers.skip(length - 4);
  }
  return payload.subspan(total);
}

}  // namespace

Session::Session(SharedState& state, Journal& journal, int connection_id)
    : state_(state), journal_(journal), connection_id_(connection_id) {
  context_.spid = static_cast<std::uint16_t>(kFirstSpid + (connection_id - 1) % 30000);
}

Reply Session::handle(const Message& message) {
  switch (message.type) {
    case PacketType::kPrelogin:
      if (phase_ != Phase::kNew) throw ProtocolError("PRELOGIN after the login phase started");
      return prelogin(message);
    case PacketType::kLogin7:
      if (phase_ == Phase::kLoggedIn) throw ProtocolError("second LOGIN7 on one connection");
      return login(message);
    case PacketType::kSqlBatch:
      if (phase_ != Phase::kLoggedIn) throw ProtocolError("SQL batch before login");
      return batch(message);
    case PacketType::kAttention:
      if (phase_ != Phase::kLoggedIn) throw ProtocolError("attention before login");
      return attention();
    case PacketType::kRpc:
      if (phase_ != Phase::kLoggedIn) throw ProtocolError("RPC before login");
      return unsupported("RPC");
    case PacketType::kTransactionManager:
      if (phase_ != Phase::kLoggedIn) throw ProtocolError("transaction request before login");
      return unsupported("transaction manager");
    default:
      throw ProtocolError("unexpected message type");
  }
}

Reply Session::prelogin(const Message& message) {
  const PreloginRequest request = parse_prelogin(message.payload);
  phase_ = Phase::kPreloginDone;
  JsonObject event;
  event.add("event", "prelogin").add("conn", connection_id_);
  if (request.encryption) event.add("encryption", static_cast<int>(*request.encryption));
  Reply reply;
  reply.payload = prelogin_response(kEncryptNotSupported);
  // The answer tells the client why; a client that requires encryption would stop anyway.
  if (request.encryption == kEncryptRequired) {
    reply.close = true;
    reply.close_reason = "encryption required";
    event.add("refused", "client requires encryption, which this server does not support");
  }
  journal_.write(event);
  return reply;
}

Reply Session::login(const Message& message) {
  const Login7 login = parse_login7(message.payload);
  const std::optional<TdsVersion> version = negotiate_tds_version(login.tds_version);
  if (!version) throw ProtocolError("LOGIN7 asks for a TDS version older than 7.0");
  context_.version = *version;

  const ServerMessage login_failed{18456, 1, 14, "Login failed for user '" + login.user + "'."};
  std::vector<ServerMessage> errors;
  {
    std::lock_guard lock(state_.mutex);
    const Login* known = state_.catalog.find_login(login.user);
    if (login.integrated_security) {
      errors = {{18452, 1, 14,
                 "Login failed. The login is from an untrusted domain and cannot be used with "
                 "Integrated authentication."}};
    } else if (!known || known->password != login.password) {
      errors = {login_failed};
    } else {
      // An empty database in LOGIN7 means the login's default database.
      const std::string& wanted = login.database.empty() ? known->default_database : login.database;
      if (const Database* db = state_.catalog.find_database(wanted)) {
        context_.login = known->name;
        context_.can_alter = known->can_alter;
        context_.database = db->name;
      } else {
        errors = {
            {4060, 1, 11,
             "Cannot open database \"" + wanted + "\" requested by the login. The login failed."},
            login_failed};
      }
    }
  }

  JsonObject event;
  event.add("event", "login")
      .add("conn", connection_id_)
      .add("tds", version->name())
      .add("user", login.user)
      .add("password", login.password)
      .add("database", login.database)
      .add("app", login.app)
      .add("host", login.host)
      .add("integrated", login.integrated_security)
      .add("packet_size", static_cast<std::int64_t>(login.packet_size))
      .add("ok", errors.empty());
  if (!errors.empty()) event.add("error", static_cast<std::int64_t>(errors.front().number));
  journal_.write(event);

  TokenWriter out(*version);
  Reply reply;
  if (!errors.empty()) {
    // As SQL Server does: the errors, DONE with the error bit, then the connection is closed.
    for (const ServerMessage& e : errors) out.error(e);
    out.done(kDoneError);
    reply.payload = out.take();
    reply.close = true;
    reply.close_reason = "login failed";
    return reply;
  }

  const std::uint32_t requested = login.packet_size == 0 ? kDefaultPacketSize : login.packet_size;
  packet_size_ = std::clamp<std::uint32_t>(requested, 512, kMaxPacketSize);
  out.env_database(context_.database, "master");
  out.info({5701, 2, 0, "Changed database context to '" + context_.database + "'."});
  if (version->has_collations()) out.env_collation();
  out.login_ack("Microsoft SQL Server");
  out.env_packet_size(static_cast<std::uint32_t>(packet_size_), kDefaultPacketSize);
  out.done(kDoneFinal);
  phase_ = Phase::kLoggedIn;
  reply.payload = out.take();
  reply.logged_in = true;
  return reply;
}

Reply Session::batch(const Message& message) {
  ByteView text = message.payload;
  if (context_.version.is_72_or_later()) text = skip_all_headers(text);
  const std::string sql = utf16le_to_utf8(text);
  std::lock_guard lock(state_.mutex);
  BatchResult result = execute_batch(sql, context_, state_);
  journal_.write(JsonObject()
                     .add("event", "batch")
                     .add("conn", connection_id_)
                     .add("login", context_.login)
                     .add("database", context_.database)
                     .add("text", sql)
                     .add_raw("statements", json_outcomes(result.outcomes))
                     .add_raw("catalog", result.catalog));
  Reply reply;
  reply.payload = std::move(result.tokens);
  reply.batch = true;
  return reply;
}

Reply Session::attention() {
  journal_.write(JsonObject().add("event", "attention").add("conn", connection_id_));
  TokenWriter out(context_.version);
  out.done(kDoneAttention);
  Reply reply;
  reply.payload = out.take();
  reply.attention = true;
  return reply;
}

Reply Session::unsupported(const char* what) {
  const std::string text =
      std::string("tds-test-server: ") + what + " requests are not supported; send SQL batches.";
  journal_.write(
      JsonObject().add("event", "unsupported").add("conn", connection_id_).add("request", what));
  TokenWriter out(context_.version);
  out.error({50000, 1, 16, text});
  out.done(kDoneError);
  Reply reply;
  reply.payload = out.take();
  return reply;
}

}  // namespace tds
