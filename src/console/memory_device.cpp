// A console that lives in memory, for tests.
#include "console/memory_device.h"

namespace torvelkan {

void MemoryDevice::Present(const CellGrid& cells) {
  last = cells;
  ++frameCount;
  if (keepFrames > 0) {
    frames.push_back(cells);
    if (frames.size() > keepFrames) {
      frames.pop_front();
    }
  }
}

void MemoryDevice::ReadInput(InputRecord& record) {
  // Like the real consoles, reading with nothing waiting would block: a test
  // that gets here has a bug, so it gets an event that no screen reacts to.
  if (input.empty()) {
    record = MakeOtherRecord(kFocusEventType);
    return;
  }
  record = input.front();
  input.pop_front();
}

std::string MemoryDevice::RowText(int row) const {
  std::string text;
  for (int column = 0; column < kColumns; ++column) {
    const std::uint8_t c = CellChar(last[static_cast<std::size_t>(row * kColumns + column)]);
    text.push_back(c == 0 ? ' ' : static_cast<char>(c));
  }
  return text;
}

}  // namespace torvelkan
