// Keys are named by their Windows virtual-key codes on every platform.
#pragma once

#include <cstdint>

namespace torvelkan::vk {

inline constexpr std::uint16_t kBack = 8;
inline constexpr std::uint16_t kTab = 9;
inline constexpr std::uint16_t kEnter = 13;
inline constexpr std::uint16_t kShift = 16;
inline constexpr std::uint16_t kControl = 17;
inline constexpr std::uint16_t kMenu = 18;  // Alt
inline constexpr std::uint16_t kPause = 19;
inline constexpr std::uint16_t kCapital = 20;  // Caps Lock
inline constexpr std::uint16_t kEscape = 27;
inline constexpr std::uint16_t kSpace = 32;
inline constexpr std::uint16_t kPrior = 33;  // Page Up
inline constexpr std::uint16_t kNext = 34;   // Page Down
inline constexpr std::uint16_t kEnd = 35;
inline constexpr std::uint16_t kHome = 36;
inline constexpr std::uint16_t kLeft = 37;
inline constexpr std::uint16_t kUp = 38;
inline constexpr std::uint16_t kRight = 39;
inline constexpr std::uint16_t kDown = 40;
inline constexpr std::uint16_t kSnapshot = 44;  // Print Screen
inline constexpr std::uint16_t kInsert = 45;
inline constexpr std::uint16_t kDelete = 46;
inline constexpr std::uint16_t k0 = 48;  // digits are 48 to 57
inline constexpr std::uint16_t kA = 65;  // letters are 65 to 90
inline constexpr std::uint16_t kC = 67;
inline constexpr std::uint16_t kD = 68;
inline constexpr std::uint16_t kS = 83;
inline constexpr std::uint16_t kW = 87;
inline constexpr std::uint16_t kZ = 90;
inline constexpr std::uint16_t kLWin = 91;
inline constexpr std::uint16_t kRWin = 92;
inline constexpr std::uint16_t kApps = 93;
inline constexpr std::uint16_t kNumpad0 = 96;  // numpad digits are 96 to 105
inline constexpr std::uint16_t kMultiply = 106;
inline constexpr std::uint16_t kAdd = 107;
inline constexpr std::uint16_t kSubtract = 109;
inline constexpr std::uint16_t kDecimal = 110;
inline constexpr std::uint16_t kDivide = 111;
inline constexpr std::uint16_t kF1 = 112;  // F1 to F24 are 112 to 135
inline constexpr std::uint16_t kNumLock = 144;
inline constexpr std::uint16_t kScroll = 145;
inline constexpr std::uint16_t kLShift = 160;
inline constexpr std::uint16_t kRShift = 161;
inline constexpr std::uint16_t kLControl = 162;
inline constexpr std::uint16_t kRControl = 163;
inline constexpr std::uint16_t kLMenu = 164;
inline constexpr std::uint16_t kRMenu = 165;
inline constexpr std::uint16_t kOem1 = 0xBA;       // ;:
inline constexpr std::uint16_t kOemPlus = 0xBB;    // =+
inline constexpr std::uint16_t kOemComma = 0xBC;   // ,<
inline constexpr std::uint16_t kOemMinus = 0xBD;   // -_
inline constexpr std::uint16_t kOemPeriod = 0xBE;  // .>
inline constexpr std::uint16_t kOem2 = 0xBF;       // /?
inline constexpr std::uint16_t kOem3 = 0xC0;       // `~
inline constexpr std::uint16_t kOem4 = 0xDB;       // [{
inline constexpr std::uint16_t kOem5 = 0xDC;       // \|
inline constexpr std::uint16_t kOem6 = 0xDD;       // ]}
inline constexpr std::uint16_t kOem7 = 0xDE;       // '"
inline constexpr std::uint16_t kPacket = 0xE7;     // a character with no key of its own

}  // namespace torvelkan::vk
