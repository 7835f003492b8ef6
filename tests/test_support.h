// Helpers shared by the core's tests.
#ifndef UNLIMIT_TESTS_TEST_SUPPORT_H_
#define UNLIMIT_TESTS_TEST_SUPPORT_H_

#include <string>
#include <string_view>

// Puts a configuration file beside the test program for the object's lifetime; the
// program's own reader finds it there exactly as it would beside the product.
class TScopedConfigFile {
 public:
  explicit TScopedConfigFile(std::string_view contents);
  ~TScopedConfigFile();
  TScopedConfigFile(const TScopedConfigFile&) = delete;
  TScopedConfigFile& operator=(const TScopedConfigFile&) = delete;

  void Rewrite(std::string_view contents);
};

// Makes sure no configuration file lies beside the test program.
void RemoveConfigFile();

std::string ReadFileBytes(const std::string& path);

// The folder of test fixtures, with a trailing separator.
std::string TestDataDirectory();

#endif  // UNLIMIT_TESTS_TEST_SUPPORT_H_
