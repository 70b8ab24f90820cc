// Sources of readme text and a screen to draw the viewer on, for the tests.
#pragma once

#include <algorithm>
#include <string>

#include "console/console_screen.h"
#include "console/memory_device.h"
#include "screens/readme_file.h"
#include "screens/readme_viewer.h"

namespace torvelkan::testing {

// Hands over the bytes in blocks of 1024 as the file reader does, but all of
// them, whatever the limit: the viewer must hold its cap by itself.
inline ReadmeSource FromMemory(std::string bytes) {
  return [bytes = std::move(bytes)](std::size_t, const ReadmeBlock& block) {
    for (std::size_t at = 0; at < bytes.size(); at += kReadmeBlockBytes) {
      const std::size_t count = std::min(kReadmeBlockBytes, bytes.size() - at);
      block(reinterpret_cast<const unsigned char*>(bytes.data() + at), count);
    }
    return true;
  };
}

// A file that cannot be opened.
inline ReadmeSource Unopenable() {
  return [](std::size_t, const ReadmeBlock&) { return false; };
}

// The viewer drawn on a cleared grid, as the App draws it.
struct DrawnViewer {
  explicit DrawnViewer(const ReadmeSource& source) : viewer(source) { Draw(); }

  void Draw() {
    screen.Clear();
    viewer.Render(screen);
  }
  void Press(std::uint16_t code, int times = 1) {
    for (int i = 0; i < times; ++i) {
      viewer.OnKey(code);
    }
    Draw();
  }

  // The characters of a row up to its last written cell.
  std::string Row(int row) const {
    std::string text;
    for (int column = 0; column < kColumns; ++column) {
      const std::uint8_t c = CellChar(screen.At(column, row));
      text.push_back(c == 0 ? ' ' : static_cast<char>(c));
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }

  // Whether every cell of the grid is untouched.
  bool Blank() const {
    return std::all_of(screen.Cells().begin(), screen.Cells().end(), [](const Cell& cell) {
      return CellChar(cell) == 0 && CellAttribute(cell) == 0;
    });
  }

  MemoryDevice device;
  ConsoleScreen screen{device};
  ReadmeViewer viewer;
};

}  // namespace torvelkan::testing
