#include "platform/connection_string.h"

#include <charconv>

namespace {

const std::string kLocalHost = "127.0.0.1";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Reads one `keyword=value` pair starting at `pos` and leaves `pos` after its semicolon.
// A pair of blanks only is skipped (empty keyword). False on a malformed pair.
bool ReadPair(std::string_view text, std::size_t& pos, std::string& keyword, std::string& value) {
  keyword.clear();
  value.clear();
  // The keyword runs to the first single '='; "==" is an equal sign inside it.
  std::size_t start = pos;
  for (;;) {
    if (pos == text.size() || text[pos] == ';') {
      if (!Trimmed(text.substr(start, pos - start)).empty()) return false;  // no '='
      if (pos < text.size()) ++pos;
      return true;
    }
    if (text[pos] == '=') {
      if (pos + 1 < text.size() && text[pos + 1] == '=') {
        keyword += '=';
        pos += 2;
        continue;
      }
      ++pos;
      break;
    }
    keyword += text[pos++];
  }
  keyword = std::string(Trimmed(keyword));
  if (keyword.empty()) return false;

  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    char quote = text[pos++];
    for (;;) {
      if (pos == text.size()) return false;  // unterminated
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos == text.size()) return true;
    if (text[pos] != ';') return false;  // text after the closing quote
    ++pos;
    return true;
  }
  std::size_t end = text.find(';', pos);
  if (end == std::string_view::npos) end = text.size();
  value = Trimmed(text.substr(pos, end - pos));
  pos = end < text.size() ? end + 1 : end;
  return true;
}

bool ParsePort(std::string_view text, int& port) {
  text = Trimmed(text);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

bool StartsWithCaseless(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

}  // namespace

std::optional<TConnectionProperties> ParseConnectionString(std::string_view text) {
  TConnectionProperties properties;
  std::size_t pos = 0;
  std::string keyword, value;
  while (pos < text.size()) {
    if (!ReadPair(text, pos, keyword, value)) return std::nullopt;
    std::string key = AsciiLower(keyword);
    if (key == "data source") {
      properties.DataSource = value;
    } else if (key == "initial catalog") {
      properties.InitialCatalog = value;
    } else if (key == "user id") {
      properties.UserId = value;
    } else if (key == "password") {
      properties.Password = value;
    } else if (key == "integrated security") {
      // SSPI is the one authentication service SQL Server's providers know.
      if (!value.empty() && AsciiLower(value) != "sspi") return std::nullopt;
      properties.IntegratedSecurity = !value.empty();
    }
  }
  return properties;
}

std::optional<TServerAddress> ParseDataSource(std::string_view text) {
  text = Trimmed(text);
  if (StartsWithCaseless(text, "tcp:")) {
    text = Trimmed(text.substr(4));
  } else {
    // Named pipes and shared memory do not exist here. An IPv6 address has no such prefix.
    for (std::string_view prefix : {"np:", "lpc:", "admin:", "via:"}) {
      if (StartsWithCaseless(text, prefix)) return std::nullopt;
    }
  }

  TServerAddress address;
  std::size_t comma = text.find(',');
  if (comma != std::string_view::npos) {
    if (!ParsePort(text.substr(comma + 1), address.Port)) return std::nullopt;
    text = Trimmed(text.substr(0, comma));
  }
  std::size_t backslash = text.find('\\');
  if (backslash != std::string_view::npos) {
    address.Instance = Trimmed(text.substr(backslash + 1));
    if (address.Instance.empty()) return std::nullopt;
    text = Trimmed(text.substr(0, backslash));
    if (address.Port != 0) address.Instance.clear();  // a port makes the lookup unnecessary
  }
  if (text.empty() || text == "." || AsciiLower(text) == "(local)") {
    address.Host = kLocalHost;
  } else {
    address.Host = text;
  }
  return address;
}
