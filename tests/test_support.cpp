#include "tests/test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "settings/config_file.h"

namespace {
void WriteFileBytes(const std::string& path, std::string_view contents) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}
}  // namespace

TScopedConfigFile::TScopedConfigFile(std::string_view contents) {
  Rewrite(contents);
}

TScopedConfigFile::~TScopedConfigFile() {
  RemoveConfigFile();
}

void TScopedConfigFile::Rewrite(std::string_view contents) {
  WriteFileBytes(ConfigFilePath(), contents);
}

void RemoveConfigFile() {
  std::error_code ignored;
  std::filesystem::remove(ConfigFilePath(), ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string TestDataDirectory() {
  return UNLIMIT_TEST_DATA "/";
}
