// Playing a recording at its speed, steered by the viewer's keys.
#include "replay/replay_player.h"

#include <algorithm>
#include <string>

#include "common/keys.h"

namespace torvelkan::replay {
namespace {

// Passes one call of Advance may play at most, so that the viewer's keys are
// read often even where a recording holds many passes at one tick.
constexpr int kMostPassesPerAdvance = 4096;

}  // namespace

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
  nextPassUs += static_cast<std::int64_t>(std::min(*delta, kLongestWaitMs)) * 1000;
}

bool ReplayPlayer::Pass() {
  if (over) {
    return false;
  }
  while (cursor.AtEvent()) {
    if (app->HandleInput(cursor.TakeEvent())) {
      over = true;
    }
  }
  if (!over && cursor.AtTick()) {
    if (app->Step()) {
      over = true;
    } else {
      app->Render(screen);
    }
    ++passesPlayed;
  }
  if (over) {
    ShowStatus();
    return false;
  }
  ScheduleNext();
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
  clockUs += speed >= 0 ? step << speed : step >> -speed;
  for (int i = 0; i < kMostPassesPerAdvance && !over && nextPassUs <= clockUs; ++i) {
    Pass();
  }
  // Behind by more than the cap: the clock waits for the passes instead.
  clockUs = std::min(clockUs, nextPassUs);
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
