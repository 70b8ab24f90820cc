// The main loop: passes on a 2 ms schedule, woken for frames and for input.
#include "app/main_loop.h"

namespace torvelkan {

bool StepPass(ConsoleScreen& screen, App& app) {
  if (screen.HasInput()) {
    InputRecord event{};
    screen.ReadInput(event);
    if (app.HandleInput(event)) {
      return true;
    }
  }
  return app.Step();
}

bool RunPass(ConsoleScreen& screen, App& app) {
  if (StepPass(screen, app)) {
    return true;
  }
  app.Render(screen);
  return false;
}

namespace {

// A pass without a frame, unless it started a new screen: every screen is
// drawn once before its first update. drawn tells whether it was.
bool StepPassShowingNewScreens(ConsoleScreen& screen, App& app, bool& drawn) {
  const std::uint32_t screens = app.ScreensStarted();
  if (StepPass(screen, app)) {
    return true;
  }
  drawn = app.ScreensStarted() != screens;
  if (drawn) {
    app.Render(screen);
  }
  return false;
}

}  // namespace

bool RunPassesDue(ConsoleScreen& screen, App& app, PassSchedule& schedule, std::int64_t now) {
  schedule.SkipIfFarBehind(now);
  // Input that has come is taken by a pass at once: by the next one due,
  // or, when none is, by the next one run up to a pass early. Each pass
  // still takes at most one event and has its own tick, so the game runs
  // exactly as if every pass had waited for its time.
  const bool inputWaiting = screen.HasInput();
  bool frameDue = false;
  bool drawn = false;  // the last pass's frame
  int passes = 0;
  while (schedule.Due(now) ||
         (inputWaiting && passes == 0 && schedule.NextPassAt() <= now + kPassPeriodMicroseconds)) {
    frameDue = schedule.StartPass() || frameDue;
    if (StepPassShowingNewScreens(screen, app, drawn)) {
      return true;
    }
    ++passes;
  }
  // Drawing changes nothing in the game, so only the frames shown are
  // drawn. A key's effect is shown at once (the device may hold it back to
  // the next frame if the last one went out only just now).
  if ((frameDue || (inputWaiting && passes > 0)) && !drawn) {
    app.Render(screen);
  }
  return false;
}

std::int64_t NextWake(ConsoleScreen& screen, const PassSchedule& schedule) {
  // Events already taken from the terminal wait one a pass.
  return screen.HasInput() ? schedule.NextPassAt() : schedule.NextFrameAt();
}

void RunMainLoop(ConsoleScreen& screen, App& app, PassSchedule& schedule, const LoopClock& clock) {
  while (!screen.QuitRequested()) {
    if (RunPassesDue(screen, app, schedule, clock.now())) {
      return;
    }
    clock.waitUntil(NextWake(screen, schedule));
  }
}

void RunMainLoop(ConsoleScreen& screen, App& app, const std::function<void()>& betweenPasses) {
  for (int pass = 1; !screen.QuitRequested(); ++pass) {
    bool drawn = false;
    if (StepPassShowingNewScreens(screen, app, drawn)) {
      return;
    }
    if (pass % PassSchedule::kPassesPerFrame == 0 && !drawn) {
      app.Render(screen);
    }
    pass %= PassSchedule::kPassesPerFrame;
    betweenPasses();
  }
}

}  // namespace torvelkan
