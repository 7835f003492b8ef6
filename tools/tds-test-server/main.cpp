// tds-test-server: a small TDS 7.0-7.4 server that stands in for SQL Server in tests. It knows
// just enough to log clients in and to run the statements that lift a database file's size
// limit, and it records everything it receives so a test can check the exact bytes.
//
// COMMAND LINE
//   tds-test-server --catalog FILE [options]
//     --catalog FILE          logins and databases (format below); required
//     --port N                TCP port on 127.0.0.1; 0 (default) lets the system pick
//     --journal FILE          append events to FILE (format below); default: no journal
//     --state FILE            rewrite FILE in catalog format at start, after every batch and
//                             at exit
//     --max-connections N     served at the same time (default 8); more wait in the backlog
//     --idle-timeout-ms N     close a connection that sends nothing for N ms (default 30000);
//                             also the send timeout towards a client that stops reading
//     --lifetime-ms N         exit by itself after N ms (default: run until SIGTERM/SIGINT)
//     --fault MODE            break connections on purpose, see FAULT MODES
//     --delay-ms N            wait N ms before every reply
//     --fault-connections N   --fault and --delay-ms apply to the first N connections only
//     --fail-statement N:NUMBER:TEXT
//                             the N-th ALTER DATABASE statement received (from 1, across all
//                             connections) fails with error NUMBER, class 16, message TEXT and
//                             changes nothing; may be repeated
//   The first line on standard output is the port number, flushed at once; nothing else goes
//   to standard output. Diagnostics go to standard error. SIGTERM or SIGINT stop the server:
//   it closes every connection, writes the final journal event and exits with status 0.
//   Bad arguments or a bad catalog exit with status 2.
//
// CATALOG FILE (see sample-catalog)
//   # comment (whole lines only, so passwords may contain '#')
//   login    <name> <password> <default-database> [alter]
//   database <name>
//     file   <logical-name> rows|log <max-size>
//   A file line belongs to the database line above it; indentation is optional. Fields are
//   separated by blanks; a field with blanks or starting with '"' is written in double quotes,
//   "" standing for a quote. <max-size> is in 8 KB pages, as sys.database_files.max_size, or
//   "unlimited" (-1). "alter" allows the login to alter databases. Login, database and file
//   names compare case-insensitively (ASCII); passwords exactly. The catalog is shared by all
//   connections and lives as long as the server.
//
// JOURNAL FILE: one JSON object per line, UTF-8, keys always in the order shown. Every
// connection gets an id ("conn", from 1). A line is written before the reply it concerns is
// sent, so once a client has its answer the journal already holds the event.
//   {"event":"start","port":P,"pid":N}
//   {"event":"connect","conn":C}
//   {"event":"prelogin","conn":C,"encryption":E[,"refused":"..."]}
//   {"event":"login","conn":C,"tds":"7.4","user":U,"password":P,"database":D,"app":A,
//    "host":H,"integrated":false,"packet_size":N,"ok":true|false[,"error":18456]}
//     database is what the client asked for ("" = the login's default).
//   {"event":"batch","conn":C,"login":L,"database":D,"text":T,"statements":[S...],
//    "catalog":[F...]}
//     T is the batch text exactly as received, converted from UTF-16LE to UTF-8 (line ends
//     and trailing blanks kept). Each S is {"text":..., "kind":"alter|select|variable|use|
//     set|syntax", "error":0} plus "message" when error is not 0 and "injected":true for a
//     --fail-statement failure. F is the catalog right after the batch, one entry per file:
//     {"database":"Plant","file":"Plant_Data","kind":"rows","max_size":-1}.
//   {"event":"attention","conn":C}
//   {"event":"unsupported","conn":C,"request":"RPC"}
//   {"event":"fault","conn":C,"fault":"garbage-reply"}
//   {"event":"close","conn":C,"reason":R[,"detail":...]}
//     R is one of: client closed, login failed, encryption required, malformed (detail says
//     what was wrong), idle timeout, fault (detail names the mode), server stopping,
//     write failed, read failed, internal error.
//   {"event":"stop","catalog":[F...]}
//
// LOGIN: SQL logins only. Unknown login or wrong password: 18456; unknown database: 4060
// then 18456; integrated security (SSPI/Kerberos): 18452. Each is followed by DONE with the
// error bit, then the connection is closed. An empty database means the login's default.
// A successful login gets, in SQL Server's order, ENVCHANGE database, INFO 5701, ENVCHANGE
// collation (7.1+), LOGINACK echoing the client's TDS version (7.0 to 7.4; a newer request
// gets 7.4), ENVCHANGE packet size (the client's, kept within 512-32767) and DONE.
// TDS 7.0 clients send no PRELOGIN, so their connections have no prelogin event.
//
// STATEMENTS (in SQL batches; keywords in any case, blanks and comments anywhere between
// tokens, statements separated by blanks or semicolons)
//   ALTER DATABASE <db> MODIFY FILE (NAME = '<file>', MAXSIZE = UNLIMITED)
//     <db> plain or [bracketed] with ]] for ]; '<file>' with '' for '. Errors: 911 unknown
//     database, 5011 login without "alter", 5041 unknown logical file.
//   SELECT name, max_size FROM sys.database_files      rows of the current database
//   SELECT @@SPID | @@VERSION | @@SERVERNAME            one row
//   USE <db>                                            changes the current database
//   SET ...                                             accepted, no effect
//   Anything else: 102 "Incorrect syntax near '<token>'." (105 for an unclosed quote or
//   bracket, 113 for an unclosed comment), then parsing resumes at the next semicolon or
//   ALTER/SELECT/USE/SET word. Every statement error has class 16 and the next statement runs.
//   RPC and transaction manager requests get error 50000.
//
// FAULT MODES (--fault)
//   no-answer             accept and read, never reply (the idle timeout still applies)
//   close-after-prelogin  send the PRELOGIN reply, then close
//   close-after-login     send a successful login reply, then close
//   close-mid-reply       run the batch, send the first half of its reply bytes, then close
//   garbage-reply         run the batch, answer with one well-framed packet of bytes that are
//                         no token stream (DE AD BE EF...); the connection stays open
//   With --delay-ms, an attention that arrives during the delay replaces the pending reply
//   with the attention acknowledgement (DONE with status 0x20); the batch has already run.
//
// LIMITS: packets up to 32767 bytes, messages up to 1 MiB; anything malformed closes that
// connection only and is journalled. Encryption is never offered (PRELOGIN answers
// ENCRYPT_NOT_SUP); a client that requires it gets that answer and is disconnected.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/tds-test-server/catalog.h"
#include "tools/tds-test-server/journal.h"
#include "tools/tds-test-server/options.h"
#include "tools/tds-test-server/server.h"
#include "tools/tds-test-server/shared_state.h"
#include "tools/tds-test-server/unique_fd.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw tds::CatalogError("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Blocks the stop signals in every thread and returns a descriptor that reports them, so no
// handler and no global flag are needed. Must run before any thread starts.
tds::UniqueFd stop_signal_fd() {
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  // A parent may have ignored them; blocked-and-ignored signals would never reach signalfd.
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  tds::UniqueFd fd(::signalfd(-1, &stop, SFD_CLOEXEC));
  if (!fd) throw std::runtime_error("signalfd failed");
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  tds::Options options;
  tds::SharedState state;
  try {
    options = tds::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    state.catalog = tds::parse_catalog(read_file(options.catalog_file));
  } catch (const std::exception& e) {
    std::cerr << "tds-test-server: " << e.what() << "\n" << tds::kUsage;
    return 2;
  }
  state.failures = options.failures;
  state.state_file = options.state_file;

  try {
    tds::Journal journal =
        options.journal_file.empty() ? tds::Journal() : tds::Journal(options.journal_file);
    const tds::UniqueFd signals = stop_signal_fd();
    tds::Server server(options.server, state, journal);
    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    journal.write(tds::JsonObject()
                      .add("event", "start")
                      .add("port", static_cast<int>(server.port()))
                      .add("pid", static_cast<int>(::getpid())));
    {
      std::lock_guard lock(state.mutex);
      state.save_locked();
    }
    server.run(signals.get());
    std::lock_guard lock(state.mutex);
    state.save_locked();
    journal.write(tds::JsonObject()
                      .add("event", "stop")
                      .add_raw("catalog", tds::catalog_json(state.catalog)));
  } catch (const std::exception& e) {
    std::cerr << "tds-test-server: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
