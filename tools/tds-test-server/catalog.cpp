#include "tools/tds-test-server/catalog.h"

#include <charconv>
#include <optional>

namespace tds {
namespace {

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Splits one line into fields; quoted fields keep their blanks.
std::vector<std::string> split_fields(std::string_view line, int line_no) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return fields;
    std::string field;
    if (line[i] == '"') {
      ++i;
      for (;;) {
        if (i == line.size()) {
          throw CatalogError("line " + std::to_string(line_no) + ": unclosed quote");
        }
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') field += line[i++];
    }
    fields.push_back(std::move(field));
  }
}

std::optional<std::int32_t> parse_max_size(const std::string& s) {
  if (names_equal(s, "unlimited") || s == "-1") return kUnlimited;
  std::int32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < 0) return std::nullopt;
  return v;
}

std::string quote_if_needed(const std::string& s) {
  if (!s.empty() && s.find_first_of(" \t\"") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

bool names_equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

const char* file_kind_name(FileKind kind) {
  return kind == FileKind::kRows ? "rows" : "log";
}

DatabaseFile* Database::find_file(std::string_view logical_name) {
  for (DatabaseFile& f : files) {
    if (names_equal(f.name, logical_name)) return &f;
  }
  return nullptr;
}

const Login* Catalog::find_login(std::string_view name) const {
  for (const Login& l : logins) {
    if (names_equal(l.name, name)) return &l;
  }
  return nullptr;
}

Database* Catalog::find_database(std::string_view name) {
  for (Database& d : databases) {
    if (names_equal(d.name, name)) return &d;
  }
  return nullptr;
}

const Database* Catalog::find_database(std::string_view name) const {
  return const_cast<Catalog*>(this)->find_database(name);
}

Catalog parse_catalog(std::string_view text) {
  Catalog catalog;
  int line_no = 0;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string> f = split_fields(line, line_no);
    if (f.empty() || f[0].starts_with("#")) continue;
    const std::string where = "line " + std::to_string(line_no) + ": ";
    if (f[0] == "login") {
      if (f.size() < 4 || f.size() > 5 || (f.size() == 5 && f[4] != "alter")) {
        throw CatalogError(where + "expected: login <name> <password> <default-database> [alter]");
      }
      if (catalog.find_login(f[1])) throw CatalogError(where + "login " + f[1] + " repeated");
      catalog.logins.push_back({f[1], f[2], f[3], f.size() == 5});
    } else if (f[0] == "database") {
      if (f.size() != 2) throw CatalogError(where + "expected: database <name>");
      if (catalog.find_database(f[1])) throw CatalogError(where + "database " + f[1] + " repeated");
      catalog.databases.push_back({f[1], {}});
    } else if (f[0] == "file") {
      if (f.size() != 4 || (f[2] != "rows" && f[2] != "log")) {
        throw CatalogError(where + "expected: file <logical-name> rows|log <max-size>");
      }
      if (catalog.databases.empty()) throw CatalogError(where + "file before any database line");
      const std::optional<std::int32_t> max_size = parse_max_size(f[3]);
      if (!max_size) throw CatalogError(where + "max size must be a page count or unlimited");
      Database& db = catalog.databases.back();
      if (db.find_file(f[1])) throw CatalogError(where + "file " + f[1] + " repeated");
      db.files.push_back({f[1], f[2] == "rows" ? FileKind::kRows : FileKind::kLog, *max_size});
    } else {
      throw CatalogError(where + "unknown entry '" + f[0] + "'");
    }
  }
  return catalog;
}

std::string format_catalog(const Catalog& catalog) {
  std::string out;
  for (const Login& l : catalog.logins) {
    out += "login " + quote_if_needed(l.name) + " " + quote_if_needed(l.password) + " " +
           quote_if_needed(l.default_database) + (l.can_alter ? " alter" : "") + "\n";
  }
  for (const Database& d : catalog.databases) {
    out += "database " + quote_if_needed(d.name) + "\n";
    for (const DatabaseFile& f : d.files) {
      out += "  file " + quote_if_needed(f.name) + " " + file_kind_name(f.kind) + " " +
             (f.max_size == kUnlimited ? std::string("unlimited") : std::to_string(f.max_size)) +
             "\n";
    }
  }
  return out;
}

}  // namespace tds
