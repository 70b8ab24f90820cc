// Fuzzes the reading of recordings: any bytes as a file, checked, walked pass
// by pass, written again and played on the memory device.
//
// A file is either refused with one line, or its sound part reads back the
// same once written again, and plays without the App reading a tick that is
// not there.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "console/memory_device.h"
#include "replay/recording.h"
#include "replay/replay_cursor.h"
#include "replay/replay_encoder.h"
#include "replay/replay_player.h"

namespace torvelkan::replay {
namespace {

// Enough to reach every kind of item in the short inputs the fuzzer makes.
constexpr std::uint64_t kMostSteps = 20000;
constexpr std::uint64_t kMostPlayedPasses = 2000;

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "replay reader: %s\n", what);
    std::abort();
  }
}

// The next step of a walk: 1 a tick, 2 an event, 0 the end; value and event say which.
int Step(ReplayCursor& cursor, std::uint32_t& tick, InputRecord& event) {
  if (cursor.AtEvent()) {
    event = cursor.TakeEvent();
    return 2;
  }
  if (cursor.AtTick()) {
    tick = cursor.TakeTick();
    return 1;
  }
  return 0;
}

bool SameEvent(const InputRecord& a, const InputRecord& b) {
  if (a.EventType != b.EventType) {
    return false;
  }
  return !IsKeyEvent(a) || (IsKeyDown(a) == IsKeyDown(b) && KeyCode(a) == KeyCode(b));
}

}  // namespace
}  // namespace torvelkan::replay

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan;
  using namespace torvelkan::replay;
  const std::vector<std::uint8_t> bytes(data, data + size);
  Recording recording;
  std::string fault;
  if (!ParseRecording(bytes, recording, fault)) {
    Require(!fault.empty() && fault.find('\n') == std::string::npos, "a fault not on one line");
    return 0;
  }
  Require(recording.itemsBegin <= recording.itemsEnd && recording.itemsEnd <= size,
          "the sound part outside the file");
  Require(recording.cutShort || recording.itemsEnd == size, "an ended file with bytes unread");

  // Written again from what was read, it reads back the same.
  ReplayEncoder encoder(recording.programVersion);
  ReplayCursor cursor(recording);
  std::vector<std::uint32_t> ticks;
  std::vector<InputRecord> events;
  std::vector<int> kinds;
  std::uint32_t tick = 0;
  InputRecord event{};
  int kind = 0;
  while (kinds.size() < kMostSteps && (kind = Step(cursor, tick, event)) != 0) {
    kinds.push_back(kind);
    if (kind == 1) {
      encoder.Tick(tick);
      ticks.push_back(tick);
    } else {
      encoder.Event(event);
      events.push_back(event);
    }
  }
  const bool walkedAll = kind == 0;
  if (walkedAll) {
    Require(ticks.size() == recording.passes + 2, "passes miscounted");
  }
  if (walkedAll && !recording.cutShort) {
    encoder.End();
  } else {
    encoder.Seal();
  }
  const std::string again = encoder.Take();
  Recording reread;
  Require(ParseRecording({again.begin(), again.end()}, reread, fault), "written again, refused");
  ReplayCursor second(reread);
  std::size_t tickAt = 0;
  std::size_t eventAt = 0;
  for (const int expected : kinds) {
    Require(Step(second, tick, event) == expected, "written again, another kind of step");
    if (expected == 1) {
      Require(tick == ticks[tickAt++], "written again, another tick");
    } else {
      Require(SameEvent(event, events[eventAt++]), "written again, another event");
    }
  }
  Require(Step(second, tick, event) == 0, "written again, steps added");
  Require(reread.cutShort == recording.cutShort || !walkedAll, "written again, the end moved");

  // Played: never more passes than were recorded.
  MemoryDevice console;
  ReplayPlayer player(recording, console);
  while (player.PassesPlayed() < kMostPlayedPasses && player.Pass()) {
  }
  Require(player.PassesPlayed() <= recording.passes, "more passes played than recorded");
  Require(player.PassesPlayed() == std::min(recording.passes, kMostPlayedPasses) || player.Over(),
          "the replay stopped early without its end");
  return 0;
}
