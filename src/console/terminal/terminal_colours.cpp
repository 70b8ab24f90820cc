// Which colours a terminal can show, from what its environment says.
#include "console/terminal/terminal_colours.h"

#include <string_view>

namespace torvelkan {

bool SaysTrueColour(const char* colorterm) {
  if (colorterm == nullptr) {
    return false;
  }
  const std::string_view value(colorterm);
  return value == "truecolor" || value == "24bit";
}

}  // namespace torvelkan
