// A minute of fighting recorded as the terminal device would send it.
#include "busy_minute.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "app/app.h"
#include "app/main_loop.h"
#include "app/pass_schedule.h"
#include "common/keys.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "replay/recording_device.h"

namespace torvelkan::bench {
namespace {

constexpr auto kPassMs = static_cast<std::uint32_t>(kPassPeriodMicroseconds / 1000);
constexpr std::uint32_t kTapMs = 60;  // from a key's press to its release

struct TimedKey {
  std::uint32_t atMs;  // from the step that made the match
  std::uint16_t code;
  bool down;
};

struct PlayerKeys {
  std::uint16_t towards;
  std::uint16_t away;
  std::uint16_t jump;
  std::uint16_t attack;
};

// Blue stands on the left and red on the right, so blue backs off to the left.
constexpr PlayerKeys kBlue{vk::kD, vk::kA, vk::kW, vk::kS};
constexpr PlayerKeys kRed{vk::kLeft, vk::kRight, vk::kUp, vk::kDown};

void Hold(std::vector<TimedKey>& script, std::uint32_t from, std::uint32_t to, std::uint16_t code) {
  script.push_back({from, code, true});
  script.push_back({to, code, false});
}

void Tap(std::vector<TimedKey>& script, std::uint32_t at, std::uint16_t code) {
  Hold(script, at, at + kTapMs, code);
}

// One fight, timed from the match's creation (the first 3000 ms drop every
// key): both back off trading three shots each, jump towards each other, and
// then bounce side by side while the winner bites the loser to death and is
// bitten back now and then.
std::vector<TimedKey> FightScript(bool redWins) {
  std::vector<TimedKey> script;
  Hold(script, 3100, 4800, kRed.away);
  Hold(script, 3100, 4800, kBlue.away);
  for (std::uint32_t k = 0; k < 3; ++k) {
    Tap(script, 3200 + 600 * k, kRed.attack);
    Tap(script, 3500 + 600 * k, kBlue.attack);
  }
  // From the walls at 50 and 350, 440 ms of walking leaves them 80 apart:
  // close enough to bite (the radii add up to 100).
  Hold(script, 4900, 5340, kRed.towards);
  Hold(script, 4900, 5340, kBlue.towards);
  Tap(script, 4950, kRed.jump);
  Tap(script, 4950, kBlue.jump);
  // Jumps start in step, so they stay close enough to bite in the air.
  Hold(script, 6400, 13000, kRed.jump);
  Hold(script, 6400, 13000, kBlue.jump);
  const PlayerKeys& winner = redWins ? kRed : kBlue;
  const PlayerKeys& loser = redWins ? kBlue : kRed;
  for (std::uint32_t k = 0; k < 10; ++k) {  // 10 health a bite, after 15 lost to shots
    Tap(script, 6500 + 600 * k, winner.attack);
  }
  for (std::uint32_t k = 0; k < 4; ++k) {
    Tap(script, 6800 + 1200 * k, loser.attack);
  }
  std::stable_sort(script.begin(), script.end(),
                   [](const TimedKey& a, const TimedKey& b) { return a.atMs < b.atMs; });
  return script;
}

}  // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one script, read top to bottom
BusyMinute RecordBusyMinute(replay::Recorder* recorder) {
  BusyMinute minute;
  MemoryDevice device;
  replay::RecordingDevice recorded(device, recorder);
  ConsoleScreen screen(recorded);
  std::uint32_t now = 1000;  // also the generator's seed
  App app(screen, replay::RecordingTicks(recorder, [&now] { return now; }));
  auto passUntil = [&](auto reached) {
    for (int pass = 0; pass < 10000 && !reached(); ++pass) {
      now += kPassMs;
      if (RunPass(screen, app)) {
        throw std::logic_error("the scripted game ended");
      }
    }
    if (!reached()) {
      throw std::logic_error("the scripted game did not get where it was sent");
    }
  };

  passUntil([&] { return app.CurrentIntro() != nullptr; });
  device.PushKey(vk::kEnter);  // ends the intro
  passUntil([&] { return app.CurrentMenu() != nullptr; });
  device.PushKey(vk::kEnter);  // "Gra"
  passUntil([&] { return app.CurrentMatch() != nullptr; });
  device.PushKey(vk::kSpace);  // blue to the keyboard, for this match and the next

  const std::uint32_t start = now;
  std::uint32_t matchStart = now;
  int fights = 0;
  std::vector<TimedKey> script = FightScript(true);
  std::size_t nextKey = 0;
  std::string message = "Get Ready";
  minute.sent.reserve(kBusyMinuteMs / kPassMs / PassSchedule::kPassesPerFrame + 1);

  for (;;) {
    // The loop's rule: a frame is shown after every fifth pass.
    if (minute.passes % PassSchedule::kPassesPerFrame == 0) {
      minute.sent.push_back(device.LastFrame());
    }
    if (now - start >= kBusyMinuteMs) {
      break;
    }
    while (nextKey < script.size() && script[nextKey].atMs <= now - matchStart) {
      device.Push(MakeKeyRecord(script[nextKey].code, script[nextKey].down));
      ++nextKey;
    }
    now += kPassMs;
    if (RunPass(screen, app) || app.CurrentMatch() == nullptr) {
      throw std::logic_error("the scripted fight left the arena");
    }
    ++minute.passes;

    const Match& match = *app.CurrentMatch();
    minute.mostParticles = std::max(minute.mostParticles, match.DebrisList().size());
    minute.mostShots = std::max(minute.mostShots, match.Shots().size());
    if (match.Message() != message) {
      message = match.Message();
      if (message == "Player red wins!" || message == "Both players win!") {
        ++minute.blueDeaths;
      }
      if (message == "Player blue wins!" || message == "Both players win!") {
        ++minute.redDeaths;
      }
    }
    // A fresh match (at the same address, maybe) is drawn once before its first update.
    if (match.CountdownMs() == Match::kCountdownMs && match.Message() == "Get Ready" &&
        now != matchStart) {
      matchStart = now;
      script = FightScript(++fights % 2 == 0);
      nextKey = 0;
    }
  }
  return minute;
}

}  // namespace torvelkan::bench
