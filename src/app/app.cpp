// The application shell: the start-up notice, the sequence of screens, key
// routing and the frame counter.
#include "app/app.h"

#include <cstdio>
#include <utility>

#include "common/keys.h"
#include "common/random.h"
#include "match/fighter_keys.h"

namespace torvelkan {

App::App(ConsoleScreen& screen, TickSource source) : tickSource(std::move(source)) {
  srand(tickSource());
  lastTick = tickSource();
  frameWindowStart = lastTick;
  screen.SetTitle("Torvelkan");
}

void App::SkipToFight() {
  noticeCountdownMs = 0;
  intro.reset();
  menu.reset();
  readme.reset();
  match = std::make_unique<Match>(aiEnabled && !remoteBlue);
}

bool App::Step() {
  const std::uint32_t now = tickSource();
  const bool result = Update(now, now - lastTick);
  lastTick = now;
  return result;
}

bool App::Update(std::uint32_t now, std::uint32_t elapsed) {
  // Signed and wide, so that a huge elapsed time cannot wrap the countdown.
  const std::int64_t left = static_cast<std::int64_t>(noticeCountdownMs) - elapsed;
  if (noticeCountdownMs > 0 && left <= 0) {
    intro = std::make_unique<IntroLogo>();  // updated below in this same step
    ++screensStarted;
  }
  noticeCountdownMs = left > 0 ? static_cast<std::int32_t>(left) : 0;

  if (match) {
    match->Update(now, elapsed);
    const MatchEnd end = match->EndState();
    if (end == MatchEnd::kLeft) {
      match.reset();
      menu = std::make_unique<MainMenu>();
      ++screensStarted;
    } else if (end == MatchEnd::kFinished) {
      match.reset();
      match = std::make_unique<Match>(aiEnabled && !remoteBlue);
      ++screensStarted;
    }
  } else if (menu) {
    menu->Update(now, elapsed);
    const int choice = menu->Choice();
    if (choice == 0) {
      menu.reset();
      match = std::make_unique<Match>(aiEnabled && !remoteBlue);
      ++screensStarted;
    } else if (choice == 1) {
      menu.reset();
      readme = std::make_unique<ReadmeViewer>();
      ++screensStarted;
    } else if (choice == 2) {
      return true;  // no frame is drawn after this
    }
  } else if (intro) {
    intro->Update(now, elapsed);
    if (intro->IsDone()) {
      intro.reset();
      menu = std::make_unique<MainMenu>();
      ++screensStarted;
    }
  } else if (readme) {
    if (readme->IsDone()) {
      readme.reset();
      menu = std::make_unique<MainMenu>();
      ++screensStarted;
    }
  }

  CountFrame(now);
  return false;
}

void App::CountFrame(std::uint32_t now) {
  // Measured as the age of the window, which stays right across the wrap of
  // the tick counter; the step that closes a window counts in neither.
  if (now - frameWindowStart < 1000u) {
    ++framesInWindow;
  } else {
    framesPerSecond = framesInWindow;
    framesInWindow = 0;
    frameWindowStart = now;
  }
}

void App::SetRemoteBlue(bool on) {
  remoteBlue = on;
  if (match) {
    Fighter& blue = match->Blue();
    blue.left = false;
    blue.right = false;
    blue.jump = false;
    blue.attackHeld = false;
    match->SetAiEnabled(aiEnabled && !on);
  }
}

bool App::RemoteOwns(std::uint16_t code) const {
  return remoteBlue && IsSideKey(Side::kBlue, code);
}

void App::RemoteBlueKey(std::uint16_t code, bool down) {
  if (!remoteBlue || !match || !IsSideKey(Side::kBlue, code)) {
    return;
  }
  if (down) {
    match->OnKeyDown(code);
  } else {
    match->OnKeyUp(code);
  }
}

void App::Render(ConsoleScreen& screen) {
  screen.Clear();
  if (noticeCountdownMs > 0) {
    DrawNotice(screen);
  } else if (match) {
    match->Render(screen);
  } else if (menu) {
    menu->Render(screen);
  } else if (intro) {
    intro->Render(screen);
  } else if (readme) {
    readme->FitTo(screen.RowsShownFrom(ReadmeViewer::kFirstRow));
    readme->Render(screen);
  }
  DrawFrameCounter(screen);
  screen.Present();
}

void App::DrawFrameCounter(ConsoleScreen& screen) const {
  char text[16];
  std::snprintf(text, sizeof text, "%u fps", static_cast<unsigned>(framesPerSecond));
  screen.PutText(1, 0, text, 7, kAlignLeft);
}

void App::DrawNotice(ConsoleScreen& screen) {
  screen.PutText(40, 25, "Alt + Enter", 7, kAlignCenter);
}

bool App::HandleInput(const InputRecord& event) {
  if (!IsKeyEvent(event)) {
    return false;  // mouse, size, focus and menu events are dropped
  }
  const std::uint16_t code = KeyCode(event);
  if (RemoteOwns(code)) {
    return false;  // blue follows the remote player's keys alone
  }

  if (!IsKeyDown(event)) {
    // Whatever screen is up: a fighter's key let go must reach a match.
    if (match && IsFighterKey(code)) {
      match->OnKeyUp(code);
    }
    return false;
  }

  if (intro) {
    intro->OnKey(code);
    return false;
  }
  if (readme) {
    readme->OnKey(code);
    return false;
  }

  switch (code) {
    case vk::kEscape:
      if (!match) {
        return true;
      }
      match->OnKeyDown(code);
      break;
    case vk::kSpace:
      if (match) {
        aiEnabled = !aiEnabled;
        match->SetAiEnabled(aiEnabled && !remoteBlue);
      } else if (menu) {
        menu->OnKey(code);
      }
      break;
    case vk::kEnter:
      if (!match && menu) {
        menu->OnKey(code);
      }
      break;
    case vk::kUp:
    case vk::kDown:  // red's jump and attack, and the menu's moves
      if (match) {
        match->OnKeyDown(code);
      } else if (menu) {
        menu->OnKey(code);
      }
      break;
    default:
      if (match && IsFighterKey(code)) {
        match->OnKeyDown(code);
      }
      break;
  }
  return false;
}

}  // namespace torvelkan
