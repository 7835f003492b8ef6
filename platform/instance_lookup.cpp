#include "platform/instance_lookup.h"

#include <charconv>
#include <vector>

namespace {

constexpr char kClientUnicastInstance = 0x04;
constexpr char kServerResponse = 0x05;
constexpr std::size_t kMaxInstanceNameBytes = 32;

bool EqualsCaseless(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// "key;value;key;value;...;;" up to the empty key that ends one instance's record.
std::vector<std::string_view> RecordFields(std::string_view data) {
  std::vector<std::string_view> fields;
  while (!data.empty()) {
    std::size_t semicolon = data.find(';');
    if (semicolon == std::string_view::npos) break;
    fields.push_back(data.substr(0, semicolon));
    data.remove_prefix(semicolon + 1);
    if (fields.size() % 2 == 1 && fields.back().empty()) break;
  }
  return fields;
}

}  // namespace

std::optional<std::string> MakeInstanceRequest(std::string_view instance) {
  if (instance.empty() || instance.size() > kMaxInstanceNameBytes ||
      instance.find_first_of(std::string_view(";\0", 2)) != std::string_view::npos) {
    return std::nullopt;
  }
  std::string request(1, kClientUnicastInstance);
  request += instance;
  request += '\0';
  return request;
}

std::optional<int> InstancePortFromReply(std::string_view reply, std::string_view instance) {
  if (reply.size() < 3 || reply[0] != kServerResponse) return std::nullopt;
  std::size_t size =
      static_cast<unsigned char>(reply[1]) | (static_cast<unsigned char>(reply[2]) << 8);
  if (size > reply.size() - 3) return std::nullopt;
  std::vector<std::string_view> fields = RecordFields(reply.substr(3, size));

  bool named = false;
  std::optional<int> port;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (EqualsCaseless(fields[i], "InstanceName")) named = EqualsCaseless(fields[i + 1], instance);
    if (EqualsCaseless(fields[i], "tcp")) {
      std::string_view text = fields[i + 1];
      int value = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (error == std::errc() && end == text.data() + text.size() && value >= 1 &&
          value <= 65535) {
        port = value;
      }
    }
  }
  return named ? port : std::nullopt;
}
