// Code page 437, the console's character set, as UTF-8.
#pragma once

#include <cstdint>
#include <string_view>

namespace torvelkan {

// The glyph a console shows for the byte, as UTF-8. Character 0 and 255 are
// blanks; the control range shows its pictures, so a glyph is never a control
// byte and nothing drawn into the grid can reach the terminal as a command.
std::string_view Cp437Glyph(std::uint8_t byte);

}  // namespace torvelkan
