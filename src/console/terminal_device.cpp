// The console device for POSIX terminals (placeholder until the full device lands).
#include "console/terminal_device.h"

#include <poll.h>
#include <unistd.h>

#include <string>

namespace torvelkan {

TerminalDevice::TerminalDevice() {}
TerminalDevice::~TerminalDevice() {}

void TerminalDevice::Present(const CellGrid& cells) {
  std::string out = "\x1b[H";
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      const std::uint8_t ch = CellChar(cells[static_cast<std::size_t>(r * kColumns + c)]);
      out.push_back(ch >= 32 && ch < 127 ? static_cast<char>(ch) : ' ');
    }
    out += "\r\n";
  }
  (void)!write(1, out.data(), out.size());
}

bool TerminalDevice::HasInput() {
  pollfd p{0, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void TerminalDevice::ReadInput(InputRecord& record) {
  char c = 0;
  (void)!read(0, &c, 1);
  record = MakeKeyRecord(c == 27 ? 27 : static_cast<std::uint16_t>(c), true);
}

void TerminalDevice::SetTitle(const char*) {}

}  // namespace torvelkan
