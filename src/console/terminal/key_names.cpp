// Virtual-key codes for what terminals send.
#include "console/terminal/key_names.h"

#include "common/keys.h"

namespace torvelkan {

std::uint16_t KeyForCharacter(std::uint32_t c) {
  if (c >= 'a' && c <= 'z') {
    return static_cast<std::uint16_t>(c - 'a' + 'A');
  }
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
    return static_cast<std::uint16_t>(c);
  }
  switch (c) {
    case 8:
    case 127: return vk::kBack;
    case 9: return vk::kTab;
    case 10:
    case 13: return vk::kEnter;
    case 27: return vk::kEscape;
    case ' ': return vk::kSpace;
    case ')': return '0';
    case '!': return '1';
    case '@': return '2';
    case '#': return '3';
    case '$': return '4';
    case '%': return '5';
    case '^': return '6';
    case '&': return '7';
    case '*': return '8';
    case '(': return '9';
    case ';':
    case ':': return vk::kOem1;
    case '=':
    case '+': return vk::kOemPlus;
    case ',':
    case '<': return vk::kOemComma;
    case '-':
    case '_': return vk::kOemMinus;
    case '.':
    case '>': return vk::kOemPeriod;
    case '/':
    case '?': return vk::kOem2;
    case '`':
    case '~': return vk::kOem3;
    case '[':
    case '{': return vk::kOem4;
    case '\\':
    case '|': return vk::kOem5;
    case ']':
    case '}': return vk::kOem6;
    case '\'':
    case '"': return vk::kOem7;
    default: return 0;
  }
}

std::uint16_t KeyForKittyCode(std::uint32_t code) {
  if (code < 57344) {
    const std::uint16_t key = KeyForCharacter(code);
    return key != 0 ? key : vk::kPacket;
  }
  if (code >= 57376 && code <= 57387) {
    return static_cast<std::uint16_t>(vk::kF1 + 12 + (code - 57376));  // F13 to F24
  }
  if (code >= 57399 && code <= 57408) {
    return static_cast<std::uint16_t>(vk::kNumpad0 + (code - 57399));
  }
  switch (code) {
    case 57358: return vk::kCapital;
    case 57359: return vk::kScroll;
    case 57360: return vk::kNumLock;
    case 57361: return vk::kSnapshot;
    case 57362: return vk::kPause;
    case 57363: return vk::kApps;
    case 57409: return vk::kDecimal;
    case 57410: return vk::kDivide;
    case 57411: return vk::kMultiply;
    case 57412: return vk::kSubtract;
    case 57413: return vk::kAdd;
    case 57414: return vk::kEnter;
    case 57415: return vk::kOemPlus;
    case 57417: return vk::kLeft;
    case 57418: return vk::kRight;
    case 57419: return vk::kUp;
    case 57420: return vk::kDown;
    case 57421: return vk::kPrior;
    case 57422: return vk::kNext;
    case 57423: return vk::kHome;
    case 57424: return vk::kEnd;
    case 57425: return vk::kInsert;
    case 57426: return vk::kDelete;
    case 57441:
    case 57447: return vk::kShift;
    case 57442:
    case 57448: return vk::kControl;
    case 57443:
    case 57449: return vk::kMenu;
    case 57444: return vk::kLWin;
    case 57450: return vk::kRWin;
    default: return vk::kPacket;
  }
}

std::uint16_t KeyForTildeNumber(std::uint32_t number) {
  switch (number) {
    case 1:
    case 7: return vk::kHome;
    case 2: return vk::kInsert;
    case 3: return vk::kDelete;
    case 4:
    case 8: return vk::kEnd;
    case 5: return vk::kPrior;
    case 6: return vk::kNext;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15: return static_cast<std::uint16_t>(vk::kF1 + (number - 11));
    case 17:
    case 18:
    case 19:
    case 20:
    case 21: return static_cast<std::uint16_t>(vk::kF1 + 5 + (number - 17));
    case 23:
    case 24: return static_cast<std::uint16_t>(vk::kF1 + 10 + (number - 23));
    default: return number >= 57344 ? KeyForKittyCode(number) : 0;
  }
}

std::uint16_t KeyForFinalLetter(char final) {
  switch (final) {
    case 'A': return vk::kUp;
    case 'B': return vk::kDown;
    case 'C': return vk::kRight;
    case 'D': return vk::kLeft;
    case 'E': return 12;  // the keypad's middle key: VK_CLEAR
    case 'F': return vk::kEnd;
    case 'H': return vk::kHome;
    case 'M': return vk::kEnter;  // the keypad's Enter in application mode
    case 'P': return vk::kF1;
    case 'Q': return static_cast<std::uint16_t>(vk::kF1 + 1);
    case 'S': return static_cast<std::uint16_t>(vk::kF1 + 3);
    default: return 0;
  }
}

}  // namespace torvelkan
