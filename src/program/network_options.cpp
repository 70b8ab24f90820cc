// The network options of the command line: --host, --join and --watch.
#include "program/network_options.h"

#include "program/printable_quote.h"

#include <optional>

namespace torvelkan {

namespace {

constexpr std::size_t kLongestCode = 16;

std::string ParsePort(std::string_view text, bool listening, std::uint16_t& port) {
  if (text.empty() || text.size() > 5) {
    return "a port must be a number from 1 to 65535";
  }
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return "a port must be a number from 1 to 65535";
    }
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 65535 || (value == 0 && !listening)) {
    return "a port must be a number from 1 to 65535";
  }
  port = static_cast<std::uint16_t>(value);
  return {};
}

std::string ParseCode(std::string_view typed, std::string& code) {
  code.clear();
  for (char c : typed) {
    if (c == '-') {
      continue;
    }
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) || code.size() == kLongestCode) {
      return "a join code is letters and digits, as the host shows it";
    }
    code.push_back(c);
  }
  return code.empty() ? "a join code is letters and digits, as the host shows it" : "";
}

}  // namespace

namespace {

// --serve [ADDRESS][:PORT] and --online SERVER[:PORT] [CODE]: each value is
// the next argument unless it is an option, and only the client's address is
// required. Both use the arena's port unless given.
std::string ParseArenaOption(std::span<const char* const> arguments, std::size_t& at, bool serve,
                             bool hasInline, std::string_view inlineValue,
                             NetworkOptions& options) {
  options.mode = serve ? NetworkOptions::Mode::kServe : NetworkOptions::Mode::kOnline;
  options.port = kDefaultArenaPort;
  const auto next = [&]() -> std::optional<std::string_view> {
    if (at + 1 < arguments.size() && arguments[at + 1] != nullptr &&
        !std::string_view(arguments[at + 1]).starts_with("-")) {
      return std::string_view(arguments[++at]);
    }
    return std::nullopt;
  };
  std::optional<std::string_view> endpoint;
  if (hasInline) {
    endpoint = inlineValue;
  } else {
    endpoint = next();
  }
  if (!endpoint.has_value()) {
    return serve ? std::string() : "--online needs the server's address";
  }
  if (std::string fault = ParseEndpoint(*endpoint, serve, options.address, options.port);
      !fault.empty()) {
    return fault;
  }
  if (!serve) {
    if (const std::optional<std::string_view> code = next(); code.has_value()) {
      return ParseCode(*code, options.code);
    }
  }
  return {};
}

}  // namespace

std::string ParseEndpoint(std::string_view text, bool listening, std::string& address,
                          std::uint16_t& port, bool* portGiven) {
  std::string_view host = text;
  std::string_view portText;
  bool hasPort = false;
  if (text.starts_with("[")) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
      return "an IPv6 address in brackets needs its ']'";
    }
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (!rest.starts_with(":")) {
        return PrintableQuote(text) + " is not ADDRESS[:PORT]";
      }
      portText = rest.substr(1);
      hasPort = true;
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string_view::npos &&
             text.find(':', colon + 1) == std::string_view::npos) {
    host = text.substr(0, colon);
    portText = text.substr(colon + 1);
    hasPort = true;
  }
  if (host.empty() && !listening) {
    return "the host's address is missing";
  }
  for (const char c : host) {
    // Names, IPv4 and IPv6 addresses and scope names: nothing else.
    const bool fine = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      c == '.' || c == '-' || c == ':' || c == '%' || c == '_';
    if (!fine) {
      return PrintableQuote(text) + " is not an address";
    }
  }
  if (host.size() > 253) {
    return "the address is too long";
  }
  if (hasPort) {
    if (std::string fault = ParsePort(portText, listening, port); !fault.empty()) {
      return fault;
    }
  }
  address = std::string(host);
  if (portGiven != nullptr) {
    *portGiven = hasPort;
  }
  return {};
}

std::string ParseNetworkOption(std::span<const char* const> arguments, std::size_t& at,
                               NetworkOptions& options) {
  const auto value = [&](std::size_t index) -> std::string_view {
    return index < arguments.size() && arguments[index] != nullptr ? arguments[index] : "";
  };
  std::string_view option = value(at);
  std::string_view inlineValue;
  bool hasInline = false;
  if (const std::size_t equals = option.find('='); equals != std::string_view::npos) {
    inlineValue = option.substr(equals + 1);
    option = option.substr(0, equals);
    hasInline = true;
  }
  if (options.mode != NetworkOptions::Mode::kNone) {
    return "only one of --host, --join, --watch, --serve and --online";
  }
  if (option == "--serve" || option == "--online") {
    return ParseArenaOption(arguments, at, option == "--serve", hasInline, inlineValue, options);
  }
  if (option == "--host") {
    options.mode = NetworkOptions::Mode::kHost;
    if (hasInline) {
      return ParseEndpoint(inlineValue, true, options.address, options.port);
    }
    // The address is optional: the next argument is it unless it is an option.
    const std::string_view next = value(at + 1);
    if (at + 1 < arguments.size() && !next.starts_with("-")) {
      ++at;
      return ParseEndpoint(next, true, options.address, options.port);
    }
    return {};
  }
  options.mode = option == "--join" ? NetworkOptions::Mode::kJoin : NetworkOptions::Mode::kWatch;
  const std::string name(option);
  std::string_view endpoint = inlineValue;
  if (!hasInline) {
    if (at + 1 >= arguments.size()) {
      return name + " needs HOST[:PORT] and the join code";
    }
    endpoint = value(++at);
  }
  if (at + 1 >= arguments.size()) {
    return name + " needs the join code after HOST[:PORT]";
  }
  if (std::string fault = ParseEndpoint(endpoint, false, options.address, options.port);
      !fault.empty()) {
    return fault;
  }
  return ParseCode(value(++at), options.code);
}

}  // namespace torvelkan
