// The logins and databases the server pretends to have. The file format is documented in
// main.cpp; format_catalog writes the same format back.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tds {

constexpr std::int32_t kUnlimited = -1;

enum class FileKind { kRows, kLog };

struct DatabaseFile {
  std::string name;
  FileKind kind;
  std::int32_t max_size;  // 8 KB pages, kUnlimited for no limit
};

struct Database {
  std::string name;
  std::vector<DatabaseFile> files;

  DatabaseFile* find_file(std::string_view logical_name);
};

struct Login {
  std::string name;
  std::string password;
  std::string default_database;
  bool can_alter = false;
};

struct Catalog {
  std::vector<Login> logins;
  std::vector<Database> databases;

  const Login* find_login(std::string_view name) const;
  Database* find_database(std::string_view name);
  const Database* find_database(std::string_view name) const;
};

class CatalogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws CatalogError naming the line that is wrong.
Catalog parse_catalog(std::string_view text);

// Writes the catalog back in the format parse_catalog reads.
std::string format_catalog(const Catalog& catalog);

const char* file_kind_name(FileKind kind);
bool names_equal(std::string_view a, std::string_view b);

}  // namespace tds
