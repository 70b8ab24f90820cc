// Code page 437, the console's character set, as UTF-8.
#include "console/terminal/cp437.h"

#include <array>

namespace torvelkan {
namespace {

// Bytes 0 to 31 and 127 show the console's pictures; 128 to 255 its letters,
// box drawing and symbols. Sixteen to a line, as the code page is laid out.
// clang-format off
constexpr std::array<std::string_view, 32> kLow = {
    " ", "☺", "☻", "♥", "♦", "♣", "♠", "•", "◘", "○", "◙", "♂", "♀", "♪", "♫", "☼",
    "►", "◄", "↕", "‼", "¶", "§", "▬", "↨", "↑", "↓", "→", "←", "∟", "↔", "▲", "▼"};

constexpr std::array<std::string_view, 128> kHigh = {
    "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å",
    "É", "æ", "Æ", "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ",
    "á", "í", "ó", "ú", "ñ", "Ñ", "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»",
    "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕", "╣", "║", "╗", "╝", "╜", "╛", "┐",
    "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦", "╠", "═", "╬", "╧",
    "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐", "▀",
    "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩",
    "≡", "±", "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", " "};
// clang-format on

constexpr std::array<char, 96> MakeAscii() {
  std::array<char, 96> table{};
  for (int i = 0; i < 96; ++i) {
    table[static_cast<std::size_t>(i)] = static_cast<char>(32 + i);
  }
  return table;
}

constexpr std::array<char, 96> kAscii = MakeAscii();

}  // namespace

std::string_view Cp437Glyph(std::uint8_t byte) {
  if (byte < 32) {
    return kLow[byte];
  }
  if (byte == 127) {
    return "⌂";
  }
  if (byte < 127) {
    return {&kAscii[static_cast<std::size_t>(byte - 32)], 1};
  }
  return kHigh[static_cast<std::size_t>(byte - 128)];
}

}  // namespace torvelkan
