// The main loop: one input event, one step and one frame per pass.
#include "app/main_loop.h"

namespace torvelkan {

bool RunPass(ConsoleScreen& screen, App& app) {
  if (screen.HasInput()) {
    InputRecord event{};
    screen.ReadInput(event);
    if (app.HandleInput(event)) {
      return true;
    }
  }
  if (app.Step()) {
    return true;
  }
  app.Render(screen);
  return false;
}

void RunMainLoop(ConsoleScreen& screen, App& app, const std::function<void()>& betweenPasses) {
  while (!screen.QuitRequested()) {
    if (RunPass(screen, app)) {
      return;
    }
    betweenPasses();
  }
}

}  // namespace torvelkan
