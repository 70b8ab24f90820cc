// The browser option of the command line: --web [ADDRESS][:PORT], alone (play
// here in a browser) or with --serve (the arena's door for browsers).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace torvelkan {

struct WebOptions {
  bool on = false;
  // Loopback unless told otherwise: the game is for this machine's browser.
  // With --serve, the arena's address and the door's own port (41962)
  // unless told.
  std::string address = "127.0.0.1";  // empty: every address
  std::uint16_t port = 0;             // any free one
  bool addressGiven = false;
  bool portGiven = false;
};

// --web, or --web=VALUE.
bool IsWebOption(std::string_view argument);

// Reads --web at arguments[at] and its optional value after it, moving at
// past them; a value of digits alone is a port. Returns an empty string, or
// one line saying what is wrong.
std::string ParseWebOption(std::span<const char* const> arguments, std::size_t& at,
                           WebOptions& options);

}  // namespace torvelkan
