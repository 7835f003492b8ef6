#include "tools/tds-test-server/options.h"

#include <charconv>
#include <stdexcept>

namespace tds {

const char* const kUsage =
    "usage: tds-test-server --catalog FILE [--port N] [--journal FILE] [--state FILE]\n"
    "         [--max-connections N] [--idle-timeout-ms N] [--lifetime-ms N]\n"
    "         [--fault no-answer|close-after-prelogin|close-after-login|close-mid-reply|\n"
    "                  garbage-reply] [--delay-ms N] [--fault-connections N]\n"
    "         [--fail-statement N:NUMBER:TEXT]...\n";

namespace {

long long parse_number(const std::string& option, const std::string& text, long long min,
                       long long max) {
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) {
    throw std::invalid_argument(option + ": expected a number from " + std::to_string(min) +
                                " to " + std::to_string(max) + ", got '" + text + "'");
  }
  return v;
}

InjectedFailure parse_failure(const std::string& text) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) {
    throw std::invalid_argument("--fail-statement: expected N:NUMBER:TEXT, got '" + text + "'");
  }
  InjectedFailure f;
  f.ordinal = parse_number("--fail-statement", text.substr(0, first), 1, 1'000'000'000);
  f.number = static_cast<std::int32_t>(
      parse_number("--fail-statement", text.substr(first + 1, second - first - 1), 1, 2147483647));
  f.text = text.substr(second + 1);
  return f;
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool has_value = false;
    if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    auto next = [&]() -> std::string {
      if (has_value) return value;
      if (i + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
      return args[++i];
    };
    if (name == "--catalog") {
      o.catalog_file = next();
    } else if (name == "--journal") {
      o.journal_file = next();
    } else if (name == "--state") {
      o.state_file = next();
    } else if (name == "--port") {
      o.server.port = static_cast<std::uint16_t>(parse_number(name, next(), 0, 65535));
    } else if (name == "--max-connections") {
      o.server.max_connections = static_cast<int>(parse_number(name, next(), 1, 1000));
    } else if (name == "--idle-timeout-ms") {
      o.server.connection.idle_timeout_ms =
          static_cast<int>(parse_number(name, next(), 1, 24 * 3600 * 1000));
    } else if (name == "--lifetime-ms") {
      o.server.lifetime_ms = static_cast<int>(parse_number(name, next(), 0, 24 * 3600 * 1000));
    } else if (name == "--delay-ms") {
      o.server.connection.delay_ms = static_cast<int>(parse_number(name, next(), 0, 3600 * 1000));
    } else if (name == "--fault-connections") {
      o.server.fault_connections = static_cast<int>(parse_number(name, next(), 0, 1'000'000));
    } else if (name == "--fault") {
      const std::string fault = next();
      const std::optional<Fault> f = parse_fault(fault);
      if (!f) throw std::invalid_argument("--fault: unknown mode '" + fault + "'");
      o.server.connection.fault = *f;
    } else if (name == "--fail-statement") {
      o.failures.push_back(parse_failure(next()));
    } else {
      throw std::invalid_argument("unknown option '" + args[i] + "'");
    }
  }
  if (o.catalog_file.empty()) throw std::invalid_argument("--catalog is required");
  return o;
}

}  // namespace tds
