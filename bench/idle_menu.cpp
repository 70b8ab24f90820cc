// Half a minute idle in the main menu, as the terminal would receive it.
#include "idle_menu.h"

#include <stdexcept>

#include "app/app.h"
#include "app/main_loop.h"
#include "app/pass_schedule.h"
#include "common/keys.h"
#include "console/console_screen.h"
#include "console/memory_device.h"

namespace torvelkan::bench {

std::vector<CellGrid> RecordIdleMenu() {
  MemoryDevice device;
  ConsoleScreen screen(device);
  std::uint32_t now = 1000;  // also the generator's seed
  App app(screen, [&now] { return now; });
  constexpr std::uint32_t kPassMs = 2;
  for (int pass = 0; pass < 10000 && app.CurrentMenu() == nullptr; ++pass) {
    if (app.CurrentIntro() != nullptr && device.PendingInput() == 0) {
      device.PushKey(vk::kEnter);  // ends the logo
    }
    now += kPassMs;
    if (RunPass(screen, app)) {
      throw std::logic_error("the scripted game ended");
    }
  }
  if (app.CurrentMenu() == nullptr) {
    throw std::logic_error("the scripted game did not reach the menu");
  }
  std::vector<CellGrid> sent;
  for (std::uint32_t pass = 0; pass < kIdleMenuMs / kPassMs; ++pass) {
    if (pass % PassSchedule::kPassesPerFrame == 0) {
      sent.push_back(device.LastFrame());
    }
    now += kPassMs;
    if (RunPass(screen, app)) {
      throw std::logic_error("the scripted game ended");
    }
  }
  return sent;
}

}  // namespace torvelkan::bench
