#include "tools/tds-test-server/batch_executor.h"

#include <algorithm>
#include <variant>

#include "tools/tds-test-server/statement_parser.h"
#include "tools/tds-test-server/token_writer.h"

namespace tds {
namespace {

// SQL Server reports these with other classes (102 is 15, 5011 is 14); the tool only looks at
// the numbers, and class 16 everywhere keeps the test expectations simple.
constexpr std::uint8_t kStatementErrorClass = 16;

class Executor {
 public:
  Executor(SessionContext& context, SharedState& state)
      : context_(context), state_(state), out_(context.version) {}

  StatementOutcome run(const Statement& s, bool more) {
    StatementOutcome outcome{s.text, "", 0, "", false};
    more_ = more;
    std::visit([&](const auto& what) { execute(what, outcome); }, s.what);
    return outcome;
  }

  Bytes take() { return out_.take(); }

 private:
  std::uint16_t more() const { return more_ ? kDoneMore : kDoneFinal; }

  void fail(StatementOutcome& outcome, std::int32_t number, std::string text,
            std::uint8_t severity = kStatementErrorClass) {
    outcome.error = number;
    outcome.message = text;
    out_.error({number, 1, severity, std::move(text)});
    out_.done(more() | kDoneError);
  }

  void execute(const AlterFileMaxSize& a, StatementOutcome& outcome) {
    outcome.kind = "alter";
    const std::int64_t ordinal = ++state_.alter_statements;
    for (const InjectedFailure& f : state_.failures) {
      if (f.ordinal == ordinal) {
        outcome.injected = true;
        return fail(outcome, f.number, f.text);
      }
    }
    Database* db = state_.catalog.find_database(a.database);
    if (!db) {
      return fail(outcome, 911,
                  "Database '" + a.database +
                      "' does not exist. Make sure that the name is entered correctly.");
    }
    if (!context_.can_alter) {
      return fail(outcome, 5011,
                  "User does not have permission to alter database '" + a.database +
                      "', the database does not exist, or the database is not in a state that "
                      "allows access checks.");
    }
    DatabaseFile* file = db->find_file(a.file);
    if (!file) {
      return fail(outcome, 5041, "MODIFY FILE failed. File '" + a.file + "' does not exist.");
    }
    file->max_size = kUnlimited;
    out_.done(more());
  }

  void execute(const SelectDatabaseFiles&, StatementOutcome& outcome) {
    outcome.kind = "select";
    const std::vector<Column> columns = {{"name", ColumnType::kNVarChar},
                                         {"max_size", ColumnType::kInt}};
    out_.col_metadata(columns);
    std::uint64_t rows = 0;
    if (const Database* db = state_.catalog.find_database(context_.database)) {
      for (const DatabaseFile& f : db->files) {
        out_.row(columns, {f.name, f.max_size});
        ++rows;
      }
    }
    out_.done(more() | kDoneCount, kCmdSelect, rows);
  }

  void execute(const SelectVariable& v, StatementOutcome& outcome) {
    outcome.kind = "variable";
    std::vector<Column> columns;
    std::vector<Value> values;
    if (v.name == "spid") {
      columns = {{"", ColumnType::kInt}};
      values = {static_cast<std::int32_t>(context_.spid)};
    } else if (v.name == "version") {
      columns = {{"", ColumnType::kNVarChar}};
      values = {std::string("Microsoft SQL Server 2022 (tds-test-server)")};
    } else if (v.name == "servername") {
      columns = {{"", ColumnType::kNVarChar}};
      values = {std::string(kServerName)};
    } else {
      return fail(outcome, 137, "Must declare the scalar variable \"@@" + v.name + "\".");
    }
    out_.col_metadata(columns);
    out_.row(columns, values);
    out_.done(more() | kDoneCount, kCmdSelect, 1);
  }

  void execute(const UseDatabase& u, StatementOutcome& outcome) {
    outcome.kind = "use";
    const Database* db = state_.catalog.find_database(u.database);
    if (!db) {
      return fail(outcome, 911,
                  "Database '" + u.database +
                      "' does not exist. Make sure that the name is entered correctly.");
    }
    out_.env_database(db->name, context_.database);
    out_.info({5701, 1, 0, "Changed database context to '" + db->name + "'."});
    context_.database = db->name;
    out_.done(more());
  }

  void execute(const SetOption&, StatementOutcome& outcome) {
    outcome.kind = "set";
    out_.done(more());
  }

  void execute(const SyntaxError& e, StatementOutcome& outcome) {
    outcome.kind = "syntax";
    fail(outcome, e.number, e.message);
  }

  SessionContext& context_;
  SharedState& state_;
  TokenWriter out_;
  bool more_ = false;
};

}  // namespace

BatchResult execute_batch(std::string_view sql, SessionContext& context, SharedState& state) {
  const std::vector<Statement> statements = parse_batch(sql);
  BatchResult result;
  Executor executor(context, state);
  for (std::size_t i = 0; i < statements.size(); ++i) {
    result.outcomes.push_back(executor.run(statements[i], i + 1 < statements.size()));
  }
  result.tokens = executor.take();
  if (statements.empty()) {
    TokenWriter empty(context.version);
    empty.done(kDoneFinal);
    result.tokens = empty.take();
  }
  result.catalog = catalog_json(state.catalog);
  state.save_locked();
  return result;
}

}  // namespace tds
