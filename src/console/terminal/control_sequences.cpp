// What a whole control sequence from the terminal means.
#include "console/terminal/control_sequences.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "common/keys.h"
#include "console/terminal/key_names.h"
#include "console/terminal/key_positions.h"
#include "console/terminal/win32_input.h"

namespace torvelkan {
namespace {

// Bracketed paste: ESC [ 200 ~ pasted text ESC [ 201 ~.
constexpr std::uint32_t kPasteStart = 200;

TerminalInput Reply(TerminalInput::Kind kind) {
  TerminalInput input;
  input.kind = kind;
  return input;
}

// The numbers of a control sequence: up to four fields separated by ';',
// each with up to three parts separated by ':'. Missing numbers read as 0.
struct Parameters {
  std::array<std::array<std::uint32_t, 3>, 4> value{};
  int fields = 1;
  bool valid = true;

  std::uint32_t At(int field, int part, std::uint32_t otherwise) const {
    if (field >= fields) {
      return otherwise;
    }
    const std::uint32_t v = value[static_cast<std::size_t>(field)][static_cast<std::size_t>(part)];
    return v == 0 ? otherwise : v;
  }
};

Parameters ParseParameters(const unsigned char* begin, const unsigned char* end) {
  Parameters p;
  int part = 0;
  for (const unsigned char* c = begin; c != end; ++c) {
    if (*c >= '0' && *c <= '9') {
      if (p.fields <= 4 && part < 3) {
        auto& v = p.value[static_cast<std::size_t>(p.fields - 1)][static_cast<std::size_t>(part)];
        v = std::min<std::uint32_t>(v * 10 + (*c - '0'), 10'000'000u);
      }
    } else if (*c == ':') {
      ++part;
    } else if (*c == ';') {
      ++p.fields;
      part = 0;
    } else {
      p.valid = false;  // intermediates or markers inside: not a key
    }
  }
  p.fields = std::min(p.fields, 4);
  return p;
}

// "m" of a report is 1 + the modifier bits; the event is 1 press, 2 repeat, 3 release.
bool ModifiersAndAction(const Parameters& p, TerminalInput& input) {
  const std::uint32_t m = p.At(1, 0, 1);
  const std::uint32_t event = p.At(1, 1, 1);
  if (event > 3) {
    return false;
  }
  input.modifiers = static_cast<std::uint8_t>((m - 1) & (kModShift | kModAlt | kModControl));
  input.action = event == 1   ? KeyAction::kPress
                 : event == 2 ? KeyAction::kRepeat
                              : KeyAction::kRelease;
  input.actionReported = p.fields > 1 && p.value[1][1] != 0;
  return true;
}

// With the alternate keys reported, a letter's third number is the key in its
// place on a US keyboard: the letter counts by where it is.
void KittyKey(const Parameters& p, TerminalInput& input) {
  input.code = KeyForKittyCode(p.At(0, 0, 0));
  const std::uint16_t letter = LetterOfBaseLayoutKey(p.At(0, 2, 0));
  if (letter != 0 && letter != input.code) {
    input.typed = input.code;
    input.code = letter;
  }
}

// The answer to the question whether mode 2026, synchronized output, is
// known: CSI ? 2026 ; Ps $ y (a DECRPM report), between the marker and the
// final byte. Ps 1 (set) or 2 (reset) means the terminal has the mode; 0 (not
// known) and 4 (permanently off) mean it has not, and give no reply.
void DecodeModeReport(const unsigned char* begin, const unsigned char* end,
                      std::vector<TerminalInput>& out) {
  if (end == begin || *(end - 1) != '$') {
    return;
  }
  const Parameters p = ParseParameters(begin, end - 1);
  const std::uint32_t state = p.At(1, 0, 0);
  if (p.valid && p.fields == 2 && p.At(0, 0, 0) == 2026 && (state == 1 || state == 2)) {
    out.push_back(Reply(TerminalInput::Kind::kSynchronizedOutputReply));
  }
}

void DecodeSequence(unsigned char marker, const Parameters& p, unsigned char final,
                    std::vector<TerminalInput>& out) {
  if (marker == '?') {
    if (final == 'u') {
      out.push_back(Reply(TerminalInput::Kind::kKeyboardFlagsReply));
    } else if (final == 'c') {
      out.push_back(Reply(TerminalInput::Kind::kDeviceAttributesReply));
    }
    return;
  }
  if (marker != 0 || !p.valid) {
    return;
  }
  TerminalInput input;
  if (final == 'u') {
    KittyKey(p, input);
    if (p.At(0, 0, 0) == 0 || !ModifiersAndAction(p, input)) {
      return;
    }
    input.actionReported = true;
  } else if (final == '~') {
    input.code = KeyForTildeNumber(p.At(0, 0, 0));
    if (input.code == 0 || !ModifiersAndAction(p, input)) {
      return;
    }
  } else if (final == 'Z') {
    input.code = vk::kTab;
    input.modifiers = kModShift;
  } else {
    input.code = KeyForFinalLetter(static_cast<char>(final));
    if (input.code == 0 || final == 'M' || !ModifiersAndAction(p, input)) {
      return;
    }
  }
  out.push_back(input);
}

bool IsPasteStart(unsigned char marker, const Parameters& p, unsigned char final) {
  return marker == 0 && final == '~' && p.valid && p.fields == 1 && p.At(0, 0, 0) == kPasteStart;
}

}  // namespace

bool DecodeWholeSequence(const unsigned char* begin, const unsigned char* end, unsigned char final,
                         std::vector<TerminalInput>& out) {
  unsigned char marker = 0;
  if (begin < end && *begin >= 0x3C && *begin <= 0x3F) {
    marker = *begin++;
  }
  if (final == '_' && marker == 0) {
    DecodeWin32Report(begin, end, out);
    return false;
  }
  if (final == 'y' && marker == '?') {
    DecodeModeReport(begin, end, out);
    return false;
  }
  const Parameters parameters = ParseParameters(begin, end);
  if (IsPasteStart(marker, parameters, final)) {
    return true;
  }
  DecodeSequence(marker, parameters, final, out);
  return false;
}

}  // namespace torvelkan
