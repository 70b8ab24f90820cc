// The Linux console's raw keyboard (K_MEDIUMRAW): one byte per key going down
// or up, the key code in the low seven bits and 0x80 for up; codes of 128 and
// more come as three bytes, 0x00 or 0x80, then the code's high and low seven
// bits, each with 0x80 set. Auto-repeat is the same key going down again.
//
// In that mode the kernel no longer turns Ctrl+C or Ctrl+Z into signals nor
// switches consoles on Alt+F1 to F12; the keys keep their modifiers so that
// the device can do the first two, and the switch is asked for here. Pure:
// a test or a fuzzer feeds it any bytes in any splits.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "console/terminal/terminal_input.h"

namespace torvelkan {

class VtKeycodeDecoder {
 public:
  void Feed(const unsigned char* data, std::size_t size, std::vector<TerminalInput>& out);

  // Releases of every key held down, for when the keyboard goes elsewhere.
  void ReleaseAll(std::vector<TerminalInput>& out);

  // The console that Alt+F1 to F12 asked for (1 to 12), once; 0 when none.
  int TakeConsoleSwitch();

 private:
  static constexpr std::size_t kTracked = 128;
  void Key(std::uint32_t keycode, bool down, std::vector<TerminalInput>& out);
  std::uint8_t Modifiers() const;

  std::bitset<kTracked> held;
  // Of a three-byte code: how many bytes came, whether it is a release, and
  // the high bits.
  int partial = 0;
  bool partialUp = false;
  std::uint32_t partialHigh = 0;
  int consoleSwitch = 0;
};

}  // namespace torvelkan
