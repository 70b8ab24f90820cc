// Fuzzes the terminal input decoder: any bytes, fed in any pieces at any times.
//
// A few bytes at the front steer the feeding; the rest are what the terminal
// sent. Whatever they are, every event is well formed, no event comes from
// nothing, and the pieces do not matter: bytes that follow each other within the escape
// wait decode as if they had come at once, and once a wait has run out what
// follows decodes as it would on a fresh decoder. A paste waits longer for
// its end, and whatever it holds, the decoder never keeps more than a few of
// its bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "console/terminal/input_decoder.h"
#include "console/terminal/terminal_input.h"

namespace torvelkan {
namespace {

constexpr std::uint32_t kWait = InputDecoder::kEscapeWaitMs;
constexpr std::uint32_t kPasteWait = InputDecoder::kPasteWaitMs;

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "input decoder: %s\n", what);
    std::abort();
  }
}

void RequireWellFormed(const TerminalInput& input) {
  Require(input.action == KeyAction::kPress || input.action == KeyAction::kRepeat ||
              input.action == KeyAction::kRelease,
          "an action of no known kind");
  switch (input.kind) {
    case TerminalInput::Kind::kKey:
      Require(input.code != 0 && input.code <= 0xFE, "a key code outside 1 to 254");
      Require((input.modifiers & ~(kModShift | kModAlt | kModControl)) == 0,
              "modifier bits of no known key");
      // An ordinary terminal sends presses only; the rest is guessed later.
      Require(input.actionReported || input.action == KeyAction::kPress,
              "a repeat or release that the terminal never reported");
      break;
    case TerminalInput::Kind::kKeyboardFlagsReply:
    case TerminalInput::Kind::kDeviceAttributesReply:
    case TerminalInput::Kind::kSynchronizedOutputReply:
      Require(input.code == 0 && input.modifiers == 0 && input.action == KeyAction::kPress &&
                  !input.actionReported,
              "a reply that carries a key");
      break;
    default: Require(false, "an event of no known kind");
  }
}

// The bytes of one burst handed over whole, then the wait run out.
void DecodeAtOnce(const unsigned char* bytes, std::size_t size, std::vector<TerminalInput>& out) {
  InputDecoder decoder;
  decoder.Feed(bytes, size, 0, out);
  decoder.Flush(decoder.Pasting() ? kPasteWait : kWait, out);
  Require(!decoder.Waiting(), "bytes still wait after the escape wait");
}

}  // namespace
}  // namespace torvelkan

// The input's first byte holds in bits 0-6 the number of steering bytes that
// follow it and in bit 7 whether the clock is about to wrap round; the rest
// is what the terminal sent. Each steering byte, used in turn and round again,
// gives the length of the next piece (bits 0-3) and the time until the next
// piece (bits 4-5): none, just within the escape wait, just past it, or long.
// Without steering bytes everything comes in one piece.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan;
  if (size == 0) {
    return 0;
  }
  constexpr std::size_t kPieces[16] = {1,  2,  3,  4,  5,   6,    7,    8,
                                       12, 16, 32, 64, 256, 1024, 1025, 4096};
  constexpr std::uint32_t kGaps[4] = {0, kWait - 1, kWait, 1000};
  const std::size_t steering = std::min<std::size_t>(data[0] & 0x7Fu, size - 1);
  std::uint32_t now = (data[0] & 0x80u) != 0 ? 0xFFFFFFF0u : 1000u;
  const unsigned char* bytes = data + 1 + steering;
  size -= 1 + steering;

  InputDecoder decoder;
  std::vector<TerminalInput> events;
  std::vector<TerminalInput> expected;
  std::size_t burst = 0;  // where the bytes since the last pause begin
  std::size_t at = 0;
  for (std::size_t turn = 0; at < size; ++turn) {
    const std::uint8_t steer = steering == 0 ? 0x0F : data[1 + turn % steering];
    const std::size_t piece = std::min(kPieces[steer & 0x0Fu], size - at);
    decoder.Feed(bytes + at, piece, now, events);
    at += piece;
    if (decoder.Pasting()) {
      Require(decoder.PendingBytes() <= 5, "a paste kept in memory");
    }
    const std::uint32_t gap = kGaps[(steer >> 4) & 0x03u];
    now += gap;
    decoder.Flush(now, events);
    if (gap >= kWait && decoder.Pasting()) {
      Require(gap < kPasteWait, "a paste still waits after the paste wait");
      continue;  // the paste goes on: the burst with it
    }
    if (gap >= kWait) {
      Require(!decoder.Waiting(), "bytes still wait after the escape wait");
      DecodeAtOnce(bytes + burst, at - burst, expected);
      burst = at;
    }
  }
  decoder.Flush(now + (decoder.Pasting() ? kPasteWait : kWait), events);
  Require(!decoder.Waiting(), "bytes still wait after the escape wait");
  DecodeAtOnce(bytes + burst, size - burst, expected);

  Require(events.size() <= size, "more events than bytes");
  for (const TerminalInput& input : events) {
    RequireWellFormed(input);
  }
  Require(events == expected, "the pieces changed what the bytes mean");
  return 0;
}
