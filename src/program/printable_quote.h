// An argument from the command line as a fault line may quote it.
#pragma once

#include <string>
#include <string_view>

namespace torvelkan {

// Far beyond any option's name; a longer argument is cut in the fault line.
inline constexpr std::size_t kShownArgumentBytes = 64;

// Printable ASCII as it is, any other byte as \xHH, cut after
// kShownArgumentBytes, in single quotes. Whatever was typed (or passed by a
// script), the line can neither move the terminal's cursor nor flood it.
std::string Shown(std::string_view argument);

}  // namespace torvelkan
