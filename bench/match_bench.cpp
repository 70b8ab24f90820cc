// The cost of one busy frame of a fight: both fighters, 600 particles and a
// few shots, updated and drawn, and also turned into terminal output.
#include <benchmark/benchmark.h>

#include <memory>

#include "common/keys.h"
#include "common/random.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "match/match.h"
#include "terminal_bytes.h"

namespace torvelkan {
namespace {

constexpr int kFramesPerSetUp = 100;  // few enough that nothing leaves or expires

// A fight in progress: 600 particles in the air or on their floors over the
// middle of the arena, four shots flying high above the fighters, and both
// fighters walking.
std::unique_ptr<Match> BusyMatch(std::uint32_t& now, bool aiOn = false) {
  srand(12345);
  auto match = std::make_unique<Match>(aiOn);
  now = 100000;
  match->Update(now, 3000);
  for (int n = 0; n < 600; ++n) {
    match->SpawnDebris(150.0f + static_cast<float>(n % 100), 150.0f, n < 300 ? 144 : 192);
  }
  for (int n = 0; n < 4; ++n) {
    match->FireShot(180.0f + 10.0f * static_cast<float>(n), 60.0f, n % 2 == 0 ? 1.0f : -1.0f, 144);
  }
  for (int frame = 0; frame < 200; ++frame) {  // spread the particles out
    now += 2;
    match->Update(now, 2);
  }
  match->Red().left = true;
  if (aiOn) {
    for (int n = 0; n < 1000; ++n) {  // a full memory to search
      match->OnKeyUp(n % 2 == 0 ? vk::kLeft : vk::kRight);
    }
  } else {
    match->Blue().right = true;
  }
  return match;
}

// Runs busy frames, the clock moving `step` ms a frame, with a fresh fight
// set up every `setUpEvery` frames; the last fight is returned for counters.
// With `encode`, each frame also becomes the bytes that turn the previous
// frame into it on the terminal.
std::unique_ptr<Match> RunFrames(benchmark::State& state, std::uint32_t step, int setUpEvery,
                                 bool aiOn, bool encode = false) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  bench::TerminalBytes terminal;
  std::uint32_t now = 0;
  std::unique_ptr<Match> match;
  int frames = 0;
  for (auto _ : state) {
    if (frames++ % setUpEvery == 0) {
      state.PauseTiming();
      match = BusyMatch(now, aiOn);
      state.ResumeTiming();
    }
    now += step;
    match->Update(now, 2);
    screen.Clear();
    match->Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
    if (encode) {
      terminal.Send(screen.Cells());
    }
  }
  if (encode) {
    terminal.Report(state);
  }
  return match;
}

void BM_BusyMatchFrame(benchmark::State& state) {
  const auto match = RunFrames(state, 2, kFramesPerSetUp, false);
  state.counters["particles"] = static_cast<double>(match->DebrisList().size());
  state.counters["shots"] = static_cast<double>(match->Shots().size());
}
BENCHMARK(BM_BusyMatchFrame);

// The same frame with the terminal encoding of what changed since the last.
void BM_BusyMatchFrameEncoded(benchmark::State& state) {
  const auto match = RunFrames(state, 2, kFramesPerSetUp, false, true);
  state.counters["particles"] = static_cast<double>(match->DebrisList().size());
  state.counters["shots"] = static_cast<double>(match->Shots().size());
}
BENCHMARK(BM_BusyMatchFrameEncoded);

// The same frame when the AI decides in it, searching 1000 situations twice.
// The clock jumps 201 ms a frame so that every frame is a decision; the
// particles then age fast, so the fight is set up anew more often.
void BM_BusyMatchFrameWithAiDecision(benchmark::State& state) {
  const auto match = RunFrames(state, 201, 20, true);
  state.counters["particles"] = static_cast<double>(match->DebrisList().size());
  state.counters["situations"] = static_cast<double>(match->Ai().MemorySize());
}
BENCHMARK(BM_BusyMatchFrameWithAiDecision);

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
