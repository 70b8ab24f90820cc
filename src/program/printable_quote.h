// Text from outside (an argument, an address, a path) made safe to quote in a message.
#pragma once

#include <string>
#include <string_view>

namespace torvelkan {

// Far beyond any option's name; a longer text is cut in the quote.
inline constexpr std::size_t kPrintableQuoteBytes = 64;
// Paths are longer; still one line, whatever a script passes.
inline constexpr std::size_t kPrintablePathBytes = 1024;

// The text in single quotes: printable ASCII as it is, any other byte (and the
// backslash) as \xHH, cut after longest bytes. Whatever was typed (or passed
// by a script), the message can neither move the terminal's cursor nor flood
// it.
std::string PrintableQuote(std::string_view text, std::size_t longest = kPrintableQuoteBytes);

}  // namespace torvelkan
