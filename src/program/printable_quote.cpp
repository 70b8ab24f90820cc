// Arguments made safe to print.
#include "program/printable_quote.h"

#include <cstdio>

namespace torvelkan {

std::string Shown(std::string_view argument) {
  std::string shown;
  for (std::size_t i = 0; i < argument.size() && i < kShownArgumentBytes; ++i) {
    const auto byte = static_cast<unsigned char>(argument[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      shown.push_back(static_cast<char>(byte));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(byte));
      shown += escaped;
    }
  }
  if (argument.size() > kShownArgumentBytes) {
    shown += "...";
  }
  return "'" + shown + "'";
}

}  // namespace torvelkan
