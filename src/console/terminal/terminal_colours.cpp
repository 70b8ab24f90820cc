// The console's sixteen colours on a terminal.
#include "console/terminal/terminal_colours.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "console/terminal/sequence_numbers.h"

namespace torvelkan {
namespace {

// The console numbers its colours blue, green, red; ANSI red, green, blue.
int AnsiColour(int console) { return ((console & 1) << 2) | (console & 2) | ((console & 4) >> 2); }

// The Windows console's own sixteen colours, by console number.
constexpr std::array<std::array<int, 3>, 16> kConsoleRgb = {{
    {0, 0, 0},
    {0, 0, 128},
    {0, 128, 0},
    {0, 128, 128},
    {128, 0, 0},
    {128, 0, 128},
    {128, 128, 0},
    {192, 192, 192},
    {128, 128, 128},
    {0, 0, 255},
    {0, 255, 0},
    {0, 255, 255},
    {255, 0, 0},
    {255, 0, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

}  // namespace

void AppendColourParameter(int colour, bool background, bool trueColour, std::string& out) {
  if (trueColour) {
    out += background ? "48;2;" : "38;2;";
    const auto& rgb = kConsoleRgb[static_cast<std::size_t>(colour)];
    AppendNumber(rgb[0], out);
    out.push_back(';');
    AppendNumber(rgb[1], out);
    out.push_back(';');
    AppendNumber(rgb[2], out);
    return;
  }
  const int base = (colour & 8) != 0 ? (background ? 100 : 90) : (background ? 40 : 30);
  AppendNumber(base + AnsiColour(colour), out);
}

bool SaysTrueColour(const char* colorterm) {
  if (colorterm == nullptr) {
    return false;
  }
  const std::string_view value(colorterm);
  return value == "truecolor" || value == "24bit";
}

}  // namespace torvelkan
