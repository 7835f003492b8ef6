// Builds one-line JSON objects for the journal. Text is UTF-8 and is escaped so that a line
// never contains a raw newline: one event is exactly one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tds {

std::string json_string(std::string_view utf8);

class JsonObject {
 public:
  JsonObject& add(std::string_view key, std::string_view value);
  JsonObject& add(std::string_view key, const char* value) {
    return add(key, std::string_view(value));
  }
  JsonObject& add(std::string_view key, std::int64_t value);
  JsonObject& add(std::string_view key, int value) {
    return add(key, static_cast<std::int64_t>(value));
  }
  JsonObject& add(std::string_view key, bool value);
  // value must already be JSON (an object or array built by these helpers).
  JsonObject& add_raw(std::string_view key, std::string_view json);

  std::string str() const { return body_ + "}"; }

 private:
  void key(std::string_view k);

  std::string body_ = "{";
};

}  // namespace tds
