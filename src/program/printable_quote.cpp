// Text from outside made safe to quote in a message.
#include "program/printable_quote.h"

#include <cstdio>

namespace torvelkan {

std::string PrintableQuote(std::string_view text, std::size_t longest) {
  std::string quoted;
  for (std::size_t i = 0; i < text.size() && i < longest; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      quoted.push_back(static_cast<char>(byte));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(byte));
      quoted += escaped;
    }
  }
  if (text.size() > longest) {
    quoted += "...";
  }
  return "'" + quoted + "'";
}

}  // namespace torvelkan
