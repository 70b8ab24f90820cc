// Fuzzes the Linux console's raw key-code decoder: any bytes, in any pieces.
//
// Whatever they are, every event is a key with a reported action, there are
// never more events than bytes and keys held, the pieces do not matter, and a
// console switch comes only from a byte that went down.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "console/terminal/terminal_input.h"
#include "console/terminal/vt_keycode_decoder.h"

namespace {

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "vt key-code decoder: %s\n", what);
    std::abort();
  }
}

}  // namespace

// The first byte gives the length of the pieces (1 to 16); the rest is what
// the console sent.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan;
  if (size == 0) {
    return 0;
  }
  const std::size_t piece = (data[0] & 0x0Fu) + 1u;
  const unsigned char* bytes = data + 1;
  size -= 1;

  VtKeycodeDecoder whole;
  std::vector<TerminalInput> expected;
  whole.Feed(bytes, size, expected);
  const int wholeSwitch = whole.TakeConsoleSwitch();

  VtKeycodeDecoder pieces;
  std::vector<TerminalInput> events;
  int lastSwitch = 0;
  for (std::size_t at = 0; at < size; at += piece) {
    pieces.Feed(bytes + at, std::min(piece, size - at), events);
    const int switched = pieces.TakeConsoleSwitch();
    lastSwitch = switched != 0 ? switched : lastSwitch;
  }
  Require(events == expected, "the pieces changed what the bytes mean");
  Require(lastSwitch == wholeSwitch || wholeSwitch == 0, "a switch lost in pieces");
  Require(wholeSwitch >= 0 && wholeSwitch <= 12, "a console beyond F12");
  for (const TerminalInput& input : events) {
    Require(input.kind == TerminalInput::Kind::kKey && input.actionReported,
            "an event that is not a reported key");
    Require(input.code != 0 && input.code <= 0xFE, "a key code outside 1 to 254");
    Require((input.modifiers & ~(kModShift | kModAlt | kModControl)) == 0,
            "modifier bits of no known key");
  }
  std::vector<TerminalInput> released;
  whole.ReleaseAll(released);
  // A byte is at most one event, and a switch of consoles lets go of every
  // key held, each pressed by a byte of its own: never more than two a byte.
  Require(events.size() <= 2 * size, "more events than bytes and held keys");
  for (const TerminalInput& input : released) {
    Require(input.action == KeyAction::kRelease, "a release-all that presses");
  }
  return 0;
}
