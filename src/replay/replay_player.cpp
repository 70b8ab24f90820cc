// Playing a recording at its speed, steered by the viewer's keys.
#include "replay/replay_player.h"

#include <algorithm>
#include <string>

#include "app/remote_input.h"
#include "common/keys.h"

namespace torvelkan::replay {

ReplayPlayer::ReplayPlayer(const Recording& recording, ConsoleDevice& console)
    : controls(console), cursor(recording), device(console), screen(device) {
  app = std::make_unique<App>(screen, [this] { return cursor.TakeTick(); });
  ShowStatus();
  ScheduleNext();
}

void ReplayPlayer::ScheduleNext() {
  const auto delta = cursor.NextTickDelta();
  if (!delta) {
    over = true;
    ShowStatus();
    return;
  }
  constexpr std::int64_t kLongestWaitUs = std::int64_t{kLongestWaitMs} * 1000;
  if (*delta <= kLongestWaitMs) {
    nextWaitUs = std::int64_t{*delta} * 1000;
  } else {
    // Pauses close together (a crafted file may hold thousands in a row)
    // play as the first of them.
    nextWaitUs = nextPassUs - lastLongPauseUs < kLongestWaitUs ? 0 : kLongestWaitUs;
    lastLongPauseUs = nextPassUs + nextWaitUs;
  }
  nextPassUs += nextWaitUs;
}

bool ReplayPlayer::Play(bool everyFrame) {
  if (over) {
    return false;
  }
  // In the order the App took them: the remote player's input came as the
  // pass looked for input, before the pass's own event.
  while (cursor.AtEvent() || cursor.AtRemote()) {
    if (cursor.AtRemote()) {
      ApplyRemoteInput(*app, cursor.TakeRemote());
    } else if (app->HandleInput(cursor.TakeEvent())) {
      over = true;
    }
  }
  if (!over && cursor.AtTick()) {
    ++passesPlayed;
    const std::uint32_t screens = app->ScreensStarted();
    if (app->Step()) {
      over = true;
    } else {
      ScheduleNext();
      // A new screen is drawn once before its first update, as the game does.
      if (everyFrame || over || nextWaitUs > 0 || app->ScreensStarted() != screens) {
        app->Render(screen);
        ++framesDrawn;
      }
      return !over;
    }
  }
  if (!over) {
    ScheduleNext();
  }
  if (over) {
    ShowStatus();
  }
  return !over;
}

bool ReplayPlayer::HandleKey(std::uint16_t code) {
  switch (code) {
    case vk::kEscape: return false;
    case vk::kSpace: paused = !paused; break;
    case vk::kRight: speed = std::min(speed + 1, kFastest); break;
    case vk::kLeft: speed = std::max(speed - 1, kSlowest); break;
    default: break;
  }
  ShowStatus();
  return true;
}

void ReplayPlayer::ShowStatus() {
  std::string status;
  if (over) {
    status = "ended";
  } else if (paused) {
    status = "paused";
  } else if (speed > 0) {
    status = std::to_string(1 << speed) + "x";
  } else if (speed < 0) {
    status = "1/" + std::to_string(1 << -speed) + "x";
  }
  device.SetStatus(status);
}

bool ReplayPlayer::Advance(std::int64_t realUs) {
  while (controls.HasInput()) {
    InputRecord event{};
    controls.ReadInput(event);
    if (IsKeyEvent(event) && IsKeyDown(event) && !HandleKey(KeyCode(event))) {
      return false;
    }
  }
  if (controls.QuitRequested()) {
    return false;
  }
  if (paused || over) {
    screen.Present();  // the same frame again: a terminal redrawn after a resize gets it
    return true;
  }
  const std::int64_t step = std::clamp<std::int64_t>(realUs, 0, kLongestStepUs);
  const std::int64_t moved = speed >= 0 ? step << speed : step >> -speed;
  clockUs += moved;
  reserveUs = std::min(reserveUs, kPassReserveUs) + moved;
  const std::uint64_t framesBefore = framesDrawn;
  while (!over && nextPassUs <= clockUs && reserveUs >= kPassCostUs) {
    reserveUs -= kPassCostUs;
    Play(false);
  }
  // Behind by more than the passes could cost: the clock waits for them.
  clockUs = std::min(clockUs, nextPassUs);
  if (framesDrawn == framesBefore) {
    screen.Present();  // the frame again: the screen stays alive while no pass draws
  }
  return true;
}

void ReplayPlayer::Run(const std::function<std::int64_t()>& nowUs,
                       const std::function<void()>& wait) {
  std::int64_t last = nowUs();
  for (;;) {
    wait();
    const std::int64_t now = nowUs();
    if (!Advance(now - last)) {
      return;
    }
    last = now;
  }
}

}  // namespace torvelkan::replay
