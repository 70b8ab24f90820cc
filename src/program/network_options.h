// The network options of the command line: --host, --join and --watch, and
// the arena's --serve and --online.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace torvelkan {

// Unprivileged and unassigned; the same on both sides unless given.
inline constexpr std::uint16_t kDefaultPort = 41960;
// An arena server's, one above; its door for browsers', one above that.
inline constexpr std::uint16_t kDefaultArenaPort = 41961;
inline constexpr std::uint16_t kDefaultBrowserDoorPort = 41962;

struct NetworkOptions {
  enum class Mode { kNone, kHost, kJoin, kWatch, kServe, kOnline };
  Mode mode = Mode::kNone;
  std::string address;  // to listen on (empty: every address) or the host to reach
  std::uint16_t port = kDefaultPort;
  std::string code;  // the join code as it travels: lower case, no dashes (--online: optional)
};

// Reads one network option at arguments[at] and the values after it, moving
// at past them. Returns an empty string, or one line saying what is wrong.
std::string ParseNetworkOption(std::span<const char* const> arguments, std::size_t& at,
                               NetworkOptions& options);

// "ADDRESS", "ADDRESS:PORT", ":PORT", "[IPV6]:PORT" or a bare IPv6 address.
// A port of 0 (any free one) only when listening. portGiven, when asked,
// says whether the text named a port.
std::string ParseEndpoint(std::string_view text, bool listening, std::string& address,
                          std::uint16_t& port, bool* portGiven = nullptr);

}  // namespace torvelkan
