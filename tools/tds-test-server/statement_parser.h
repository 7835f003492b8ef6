// Splits a batch into the statements this server understands. It is deliberately not a T-SQL
// parser: it knows the statement the tool sends and the few that client libraries send on their
// own, and reports everything else the way SQL Server reports a syntax error.
//
// After a syntax error, parsing resumes at the next semicolon or at the next ALTER, SELECT, USE
// or SET word outside literals, brackets and comments, so the statements after a garbled one
// still run. (SQL Server would reject the whole batch at compile time; running the rest shows a
// test more of what a client sent.)
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tds {

// ALTER DATABASE <db> MODIFY FILE (NAME = '<file>', MAXSIZE = UNLIMITED)
struct AlterFileMaxSize {
  std::string database;
  std::string file;
};
// SELECT name, max_size FROM sys.database_files
struct SelectDatabaseFiles {};
// SELECT @@SPID and similar; name is lower case without the @@.
struct SelectVariable {
  std::string name;
};
struct UseDatabase {
  std::string database;
};
// SET <option> <value>: accepted and ignored.
struct SetOption {};
struct SyntaxError {
  int number;  // 102, or 105 / 113 for an unclosed quote or comment
  std::string message;
};

using StatementKind = std::variant<AlterFileMaxSize, SelectDatabaseFiles, SelectVariable,
                                   UseDatabase, SetOption, SyntaxError>;

struct Statement {
  StatementKind what;
  std::string text;  // the statement as written, for the journal
};

std::vector<Statement> parse_batch(std::string_view sql);

}  // namespace tds
