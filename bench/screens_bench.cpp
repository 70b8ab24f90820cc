// Frame costs of the front-end screens: the full logo, and one menu step,
// each also with its terminal encoding.
#include <benchmark/benchmark.h>

#include "common/random.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "screens/intro_logo.h"
#include "screens/main_menu.h"
#include "terminal_bytes.h"

namespace torvelkan {
namespace {

// All 31 strokes rasterised from their boxes, as every frame after 3840 ms draws them.
IntroLogo FullLogo() {
  IntroLogo logo;
  logo.Update(1, 0);
  logo.Update(1 + 3840, 3840);
  return logo;
}

// cppcheck-suppress constParameterCallback ; the benchmark's loop advances the state
void BM_LogoFullRender(benchmark::State& state) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  IntroLogo logo = FullLogo();
  for (auto _ : state) {
    screen.Clear();
    logo.Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LogoFullRender);

// The full logo never changes, so the terminal is sent it whole each frame
// here, as after a resize: the most the encoder can have to do for it.
void BM_LogoFullRenderEncodedWhole(benchmark::State& state) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  IntroLogo logo = FullLogo();
  bench::TerminalBytes terminal;
  for (auto _ : state) {
    screen.Clear();
    logo.Render(screen);
    terminal.encoder.Invalidate();
    terminal.Send(screen.Cells());
  }
  terminal.Report(state);
}
BENCHMARK(BM_LogoFullRenderEncodedWhole);

// Frames of the menu at about 60 frames per second: move the dots, draw, and
// with `encode` send the terminal what the dots changed.
void MenuFrames(benchmark::State& state, bool encode) {
  srand(1);
  MemoryDevice device;
  ConsoleScreen screen(device);
  MainMenu menu;
  bench::TerminalBytes terminal;
  std::uint32_t now = 1;
  for (auto _ : state) {
    now += 16;
    menu.Update(now, 16);
    screen.Clear();
    menu.Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
    benchmark::ClobberMemory();
    if (encode) {
      terminal.Send(screen.Cells());
    }
  }
  if (encode) {
    terminal.Report(state);
  }
}

void BM_MenuUpdateRender(benchmark::State& state) { MenuFrames(state, false); }
BENCHMARK(BM_MenuUpdateRender);

void BM_MenuUpdateRenderEncoded(benchmark::State& state) { MenuFrames(state, true); }
BENCHMARK(BM_MenuUpdateRenderEncoded);

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
