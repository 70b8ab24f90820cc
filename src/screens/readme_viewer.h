// The viewer of Readme.txt.
#pragma once

#include <cstdint>

#include "console/console_screen.h"

namespace torvelkan {

class ReadmeViewer {
 public:
  ReadmeViewer() = default;
  void OnKey(std::uint16_t code);
  bool IsDone() const { return done; }
  void Render(ConsoleScreen& screen);

 private:
  bool done = false;
};

}  // namespace torvelkan
