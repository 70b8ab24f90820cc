// Decodes the bytes a terminal sends into key events and replies.
#include "console/terminal/input_decoder.h"

#include <algorithm>
#include <string_view>

#include "common/keys.h"
#include "console/terminal/control_sequences.h"
#include "console/terminal/key_names.h"

namespace torvelkan {
namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr std::size_t kLongestControlSequence = 64;
constexpr std::size_t kLongestControlString = 1024;
// Bracketed paste: ESC [ 200 ~ pasted text ESC [ 201 ~.
constexpr std::string_view kPasteEnd = "\x1b[201~";

TerminalInput Key(std::uint16_t code, std::uint8_t modifiers = 0,
                  KeyAction action = KeyAction::kPress, bool reported = false) {
  TerminalInput input;
  input.code = code;
  input.modifiers = modifiers;
  input.action = action;
  input.actionReported = reported;
  return input;
}

// One plain byte: a character, or a control character typed with Ctrl.
TerminalInput PlainByte(unsigned char byte) {
  switch (byte) {
    case 0: return Key(vk::kSpace, kModControl);
    case 8:
    case 9:
    case 10:
    case 13:
    case 27:
    case 127: return Key(KeyForCharacter(byte));
    default: break;
  }
  if (byte < 27) {
    return Key(static_cast<std::uint16_t>('A' + byte - 1), kModControl);
  }
  if (byte < 32) {
    return Key(KeyForCharacter(byte + 64u), kModControl);
  }
  const std::uint16_t key = KeyForCharacter(byte);
  const std::uint8_t shift = byte >= 'A' && byte <= 'Z' ? kModShift : 0;
  return Key(key != 0 ? key : vk::kPacket, shift);
}

}  // namespace

void InputDecoder::Feed(const unsigned char* data, std::size_t size, std::uint32_t now,
                        std::vector<TerminalInput>& out) {
  if (size == 0) {
    return;
  }
  pending.append(reinterpret_cast<const char*>(data), size);
  lastByteAt = now;
  Run(false, out);
}

void InputDecoder::Flush(std::uint32_t now, std::vector<TerminalInput>& out) {
  if (now - lastByteAt < (pasting ? kPasteWaitMs : kEscapeWaitMs)) {
    return;
  }
  if (!pending.empty()) {
    Run(true, out);
    pending.clear();
  }
  // An overlong sequence still being skipped is as broken as one cut short:
  // the bytes after the wait are keys again, not the rest of it.
  skip = Skip::kNothing;
  pasting = false;
}

std::size_t InputDecoder::SkipPasted(const unsigned char* data, std::size_t size, bool final) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t end = text.find(kPasteEnd);
  if (end != std::string_view::npos) {
    pasting = false;
    return end + kPasteEnd.size();
  }
  if (final) {
    pasting = false;
    return size;
  }
  for (std::size_t keep = std::min(size, kPasteEnd.size() - 1); keep > 0; --keep) {
    if (text.substr(size - keep) == kPasteEnd.substr(0, keep)) {
      return size - keep;
    }
  }
  return size;
}

std::size_t InputDecoder::SkippedBytes(const unsigned char* data, std::size_t size, bool final) {
  const unsigned char byte = data[0];
  if (skip == Skip::kControlSequence) {
    // The tail of a sequence too long to be anything we know.
    if (byte >= 0x20 && byte <= 0x7E) {
      if (byte >= 0x40) {
        skip = Skip::kNothing;
      }
      return 1;
    }
    skip = Skip::kNothing;
    return 0;
  }
  if (skip != Skip::kControlString) {
    return 0;
  }
  if (byte == 0x07) {
    skip = Skip::kNothing;
    return 1;
  }
  if (byte != kEsc) {
    return 1;
  }
  // An ESC ends it, and "ESC \" goes with it as a pair. Should the ESC be the
  // last byte so far, what follows decides, as it does when the whole string
  // came in one piece.
  if (size == 1 && !final) {
    return kWaitForMore;
  }
  skip = Skip::kNothing;
  if (size == 1) {
    return 1;  // nothing followed: dropped with the string
  }
  return data[1] == '\\' ? 2 : 0;
}

void InputDecoder::Run(bool final, std::vector<TerminalInput>& out) {
  const auto* data = reinterpret_cast<const unsigned char*>(pending.data());
  const std::size_t size = pending.size();
  std::size_t at = 0;
  while (at < size) {
    if (pasting) {
      const std::size_t pasted = SkipPasted(data + at, size - at, final);
      if (pasted == 0) {
        break;
      }
      at += pasted;
      continue;
    }
    const std::size_t skipped = SkippedBytes(data + at, size - at, final);
    if (skipped == kWaitForMore) {
      break;
    }
    if (skipped > 0) {
      at += skipped;
      continue;
    }
    const std::size_t used = DecodeOne(data + at, size - at, final, out);
    if (used == 0) {
      break;
    }
    at += used;
  }
  pending.erase(0, at);
}

std::size_t InputDecoder::DecodeOne(const unsigned char* data, std::size_t size, bool final,
                                    std::vector<TerminalInput>& out) {
  const unsigned char byte = data[0];
  if (byte == kEsc) {
    return DecodeEscape(data, size, final, out);
  }
  if (byte < 0x80) {
    out.push_back(PlainByte(byte));
    return 1;
  }
  // UTF-8: one character that is not on the game's keys.
  if (byte < 0xC2 || byte > 0xF4) {
    return 1;  // a stray continuation or an impossible lead byte
  }
  const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
  std::size_t have = 1;
  while (have < length && have < size && (data[have] & 0xC0) == 0x80) {
    ++have;
  }
  if (have == length) {
    out.push_back(Key(vk::kPacket));
    return length;
  }
  if (have == size && !final) {
    return 0;  // the rest is on its way
  }
  return have;  // broken: dropped
}

std::size_t InputDecoder::DecodeEscape(const unsigned char* data, std::size_t size, bool final,
                                       std::vector<TerminalInput>& out) {
  if (size == 1) {
    if (!final) {
      return 0;
    }
    out.push_back(Key(vk::kEscape));
    return 1;
  }
  const unsigned char next = data[1];
  if (next == '[') {
    return DecodeControlSequence(data, size, final, out);
  }
  if (next == 'O') {
    if (size == 2 && !final) {
      return 0;
    }
    if (size > 2 && data[2] >= 0x40 && data[2] <= 0x7E) {
      const std::uint16_t key = KeyForFinalLetter(static_cast<char>(data[2]));
      if (key != 0) {
        out.push_back(Key(key));
      }
      return 3;
    }
    out.push_back(Key('O', kModAlt | kModShift));
    return 2;
  }
  if (next == ']' || next == '_') {
    return SkipString(data, size, final);
  }
  if (next == kEsc || next >= 0x80) {
    out.push_back(Key(vk::kEscape));
    return 1;
  }
  TerminalInput input = PlainByte(next);  // Alt held with the key
  input.modifiers = static_cast<std::uint8_t>(input.modifiers | kModAlt);
  out.push_back(input);
  return 2;
}

std::size_t InputDecoder::DecodeControlSequence(const unsigned char* data, std::size_t size,
                                                bool final, std::vector<TerminalInput>& out) {
  // The Linux console's F1 to F5: ESC [ [ A to E.
  if (size > 2 && data[2] == '[') {
    if (size < 4) {
      return final ? size : 0;
    }
    if (data[3] >= 'A' && data[3] <= 'E') {
      out.push_back(Key(static_cast<std::uint16_t>(vk::kF1 + (data[3] - 'A'))));
    }
    return 4;
  }
  std::size_t at = 2;
  while (at < size) {
    const unsigned char byte = data[at];
    if (byte >= 0x40 && byte <= 0x7E) {
      DecodeComplete(data + 2, data + at, byte, out);
      return at + 1;
    }
    if (byte < 0x20 || byte > 0x3F) {
      return at;  // broken off by a byte that cannot be in it: dropped
    }
    if (at >= kLongestControlSequence) {
      skip = Skip::kControlSequence;
      return at;
    }
    ++at;
  }
  return final ? size : 0;
}

void InputDecoder::DecodeComplete(const unsigned char* begin, const unsigned char* end,
                                  unsigned char final, std::vector<TerminalInput>& out) {
  if (DecodeWholeSequence(begin, end, final, out)) {
    pasting = true;
  }
}

std::size_t InputDecoder::SkipString(const unsigned char* data, std::size_t size, bool final) {
  for (std::size_t at = 2; at < size; ++at) {
    if (data[at] == 0x07) {
      return at + 1;
    }
    if (data[at] == kEsc) {
      if (at + 1 < size) {
        return data[at + 1] == '\\' ? at + 2 : at;
      }
      return final ? size : 0;
    }
  }
  if (final) {
    return size;
  }
  if (size >= kLongestControlString) {
    skip = Skip::kControlString;
    return size;
  }
  return 0;
}

}  // namespace torvelkan
