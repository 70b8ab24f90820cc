// The intro: a logo drawn stroke by stroke.
#pragma once

#include <cstdint>

#include "console/console_screen.h"

namespace torvelkan {

class IntroLogo {
 public:
  IntroLogo() = default;
  void Update(std::uint32_t now, std::uint32_t elapsed);
  void OnKey(std::uint16_t code);
  bool IsDone() const { return done; }
  void Render(ConsoleScreen& screen);

 private:
  bool done = false;
};

}  // namespace torvelkan
