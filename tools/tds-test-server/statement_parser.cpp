#include "tools/tds-test-server/statement_parser.h"

#include <cstddef>
#include <optional>

namespace tds {
namespace {

enum class Kind { kWord, kQuotedName, kString, kNumber, kVariable, kSymbol, kUnclosed, kEnd };

struct Token {
  Kind kind;
  std::string value;  // unquoted text for names and literals, the character for symbols
  std::size_t begin;
  std::size_t end;
  int unclosed_error = 0;  // for kUnclosed: 105 (quote) or 113 (comment)
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
// Bytes >= 0x80 are parts of UTF-8 letters; SQL Server allows letters of any script.
bool is_word_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool is_word_char(char c) {
  return is_word_start(c) || is_digit(c) || c == '@' || c == '$';
}

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

class Lexer {
 public:
  explicit Lexer(std::string_view sql) : sql_(sql) {}

  std::vector<Token> run() {
    std::vector<Token> tokens;
    for (;;) {
      Token t = next();
      tokens.push_back(t);
      if (t.kind == Kind::kEnd || t.kind == Kind::kUnclosed) break;
    }
    if (tokens.back().kind == Kind::kUnclosed)
      tokens.push_back({Kind::kEnd, "", sql_.size(), sql_.size()});
    return tokens;
  }

 private:
  // Skips blanks and comments; returns false on an unclosed block comment.
  bool skip_space() {
    for (;;) {
      while (pos_ < sql_.size() && is_blank(sql_[pos_])) ++pos_;
      if (sql_.substr(pos_, 2) == "--") {
        while (pos_ < sql_.size() && sql_[pos_] != '\n') ++pos_;
      } else if (sql_.substr(pos_, 2) == "/*") {
        // Block comments nest in T-SQL.
        int depth = 0;
        do {
          if (pos_ >= sql_.size()) return false;
          if (sql_.substr(pos_, 2) == "/*") {
            ++depth;
            pos_ += 2;
          } else if (sql_.substr(pos_, 2) == "*/") {
            --depth;
            pos_ += 2;
          } else {
            ++pos_;
          }
        } while (depth > 0);
      } else {
        return true;
      }
    }
  }

  // Reads text up to the closing character; a doubled closing character stands for itself.
  std::optional<std::string> quoted(char close) {
    std::string value;
    ++pos_;
    while (pos_ < sql_.size()) {
      if (sql_[pos_] == close) {
        if (pos_ + 1 < sql_.size() && sql_[pos_ + 1] == close) {
          value += close;
          pos_ += 2;
          continue;
        }
        ++pos_;
        return value;
      }
      value += sql_[pos_++];
    }
    return std::nullopt;
  }

  Token next() {
    const std::size_t comment_start = pos_;
    if (!skip_space()) {
      return {Kind::kUnclosed, std::string(sql_.substr(comment_start)), comment_start, sql_.size(),
              113};
    }
    const std::size_t begin = pos_;
    if (pos_ >= sql_.size()) return {Kind::kEnd, "", begin, begin};
    const char c = sql_[pos_];
    Kind kind = Kind::kSymbol;
    std::optional<std::string> value;
    if ((c == 'N' || c == 'n') && pos_ + 1 < sql_.size() && sql_[pos_ + 1] == '\'') {
      ++pos_;  // N'...' is a Unicode literal; all text is Unicode here anyway
      kind = Kind::kString;
      value = quoted('\'');
    } else if (c == '\'') {
      kind = Kind::kString;
      value = quoted('\'');
    } else if (c == '[') {
      kind = Kind::kQuotedName;
      value = quoted(']');
    } else if (c == '"') {
      kind = Kind::kQuotedName;
      value = quoted('"');
    } else if (is_word_start(c) || c == '@') {
      kind = c == '@' ? Kind::kVariable : Kind::kWord;
      ++pos_;
      while (pos_ < sql_.size() && is_word_char(sql_[pos_])) ++pos_;
      value = std::string(sql_.substr(begin, pos_ - begin));
    } else if (is_digit(c)) {
      kind = Kind::kNumber;
      while (pos_ < sql_.size() && (is_digit(sql_[pos_]) || sql_[pos_] == '.')) ++pos_;
      value = std::string(sql_.substr(begin, pos_ - begin));
    } else {
      // One whole UTF-8 sequence, so a message never shows half a character.
      ++pos_;
      while (pos_ < sql_.size() && (static_cast<unsigned char>(sql_[pos_]) & 0xC0) == 0x80) ++pos_;
      value = std::string(sql_.substr(begin, pos_ - begin));
    }
    if (!value) {
      const std::size_t text_start =
          sql_[begin] == '[' || sql_[begin] == '"' || sql_[begin] == '\'' ? begin + 1 : begin + 2;
      return {Kind::kUnclosed, std::string(sql_.substr(text_start)), begin, sql_.size(), 105};
    }
    return {kind, std::move(*value), begin, pos_};
  }

  std::string_view sql_;
  std::size_t pos_ = 0;
};

struct Failure {
  std::size_t at;  // index of the offending token
};

class Parser {
 public:
  Parser(std::string_view sql, std::vector<Token> tokens) : sql_(sql), t_(std::move(tokens)) {}

  std::vector<Statement> run() {
    std::vector<Statement> out;
    while (t_[i_].kind != Kind::kEnd) {
      if (is_symbol(i_, ";")) {
        ++i_;
        continue;
      }
      const std::size_t start = i_;
      std::optional<StatementKind> what;
      std::size_t failed_at = i_;
      try {
        what = statement();
      } catch (const Failure& f) {
        failed_at = f.at;
      }
      if (!what) {
        what = syntax_error(failed_at);
        resync(failed_at, start);
      }
      const std::size_t last = i_ > start ? i_ - 1 : start;
      const std::size_t end = t_[last].kind == Kind::kEnd ? sql_.size() : t_[last].end;
      out.push_back(
          {std::move(*what), std::string(sql_.substr(t_[start].begin, end - t_[start].begin))});
    }
    return out;
  }

 private:
  bool is_word(std::size_t i, std::string_view w) const {
    return t_[i].kind == Kind::kWord && iequals(t_[i].value, w);
  }
  bool is_symbol(std::size_t i, std::string_view s) const {
    return t_[i].kind == Kind::kSymbol && t_[i].value == s;
  }
  bool starts_statement(std::size_t i) const {
    return is_word(i, "ALTER") || is_word(i, "SELECT") || is_word(i, "USE") || is_word(i, "SET");
  }

  [[noreturn]] void fail() const { throw Failure{i_}; }
  void keyword(std::string_view w) {
    if (!is_word(i_, w)) fail();
    ++i_;
  }
  void symbol(std::string_view s) {
    if (!is_symbol(i_, s)) fail();
    ++i_;
  }
  std::string name() {
    if (t_[i_].kind != Kind::kWord && t_[i_].kind != Kind::kQuotedName) fail();
    return t_[i_++].value;
  }
  // A column or schema name written plainly or in brackets.
  void exact_name(std::string_view n) {
    if ((t_[i_].kind != Kind::kWord && t_[i_].kind != Kind::kQuotedName) ||
        !iequals(t_[i_].value, n)) {
      fail();
    }
    ++i_;
  }
  std::string string_literal() {
    if (t_[i_].kind != Kind::kString) fail();
    return t_[i_++].value;
  }

  StatementKind statement() {
    if (is_word(i_, "ALTER")) return alter();
    if (is_word(i_, "SELECT")) return select();
    if (is_word(i_, "USE")) {
      ++i_;
      return UseDatabase{name()};
    }
    if (is_word(i_, "SET")) return set();
    fail();
  }

  StatementKind alter() {
    AlterFileMaxSize a;
    keyword("ALTER");
    keyword("DATABASE");
    a.database = name();
    keyword("MODIFY");
    keyword("FILE");
    symbol("(");
    keyword("NAME");
    symbol("=");
    a.file = string_literal();
    symbol(",");
    keyword("MAXSIZE");
    symbol("=");
    keyword("UNLIMITED");
    symbol(")");
    return a;
  }

  StatementKind select() {
    keyword("SELECT");
    if (t_[i_].kind == Kind::kVariable && t_[i_].value.starts_with("@@")) {
      std::string var;
      for (char c : t_[i_].value.substr(2)) var += ascii_lower(c);
      ++i_;
      return SelectVariable{var};
    }
    exact_name("name");
    symbol(",");
    exact_name("max_size");
    keyword("FROM");
    exact_name("sys");
    symbol(".");
    exact_name("database_files");
    return SelectDatabaseFiles{};
  }

  // SET's grammar varies per option; its end is the next semicolon or statement word.
  StatementKind set() {
    keyword("SET");
    if (t_[i_].kind == Kind::kEnd || is_symbol(i_, ";") || starts_statement(i_)) fail();
    while (t_[i_].kind != Kind::kEnd && !is_symbol(i_, ";") && !starts_statement(i_)) {
      if (t_[i_].kind == Kind::kUnclosed) fail();
      ++i_;
    }
    return SetOption{};
  }

  SyntaxError syntax_error(std::size_t at) const {
    const Token& t = t_[at];
    if (t.kind == Kind::kUnclosed && t.unclosed_error == 113) {
      return {113, "Missing end comment mark '*/'."};
    }
    if (t.kind == Kind::kUnclosed) {
      return {105, "Unclosed quotation mark after the character string '" + t.value + "'."};
    }
    // At the end of the batch SQL Server names the last token it saw.
    const Token& near = t.kind == Kind::kEnd && at > 0 ? t_[at - 1] : t;
    return {102, "Incorrect syntax near '" + near.value + "'."};
  }

  void resync(std::size_t failed_at, std::size_t start) {
    i_ = failed_at > start ? failed_at : start + 1;
    while (t_[i_].kind != Kind::kEnd && !is_symbol(i_, ";") && !starts_statement(i_)) ++i_;
  }

  std::string_view sql_;
  std::vector<Token> t_;
  std::size_t i_ = 0;
};

}  // namespace

std::vector<Statement> parse_batch(std::string_view sql) {
  return Parser(sql, Lexer(sql).run()).run();
}

}  // namespace tds
