// Frame costs of the front-end screens: the full logo, and one menu step.
#include <benchmark/benchmark.h>

#include "common/random.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "screens/intro_logo.h"
#include "screens/main_menu.h"

namespace torvelkan {
namespace {

// All 31 strokes rasterised from their boxes, as every frame after 3840 ms does.
// cppcheck-suppress constParameterCallback ; the benchmark's loop advances the state
void BM_LogoFullRender(benchmark::State& state) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  IntroLogo logo;
  logo.Update(1, 0);
  logo.Update(1 + 3840, 3840);
  for (auto _ : state) {
    screen.Clear();
    logo.Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LogoFullRender);

// One frame of the menu at about 60 frames per second: move the dots, draw.
// cppcheck-suppress constParameterCallback ; the benchmark's loop advances the state
void BM_MenuUpdateRender(benchmark::State& state) {
  srand(1);
  MemoryDevice device;
  ConsoleScreen screen(device);
  MainMenu menu;
  std::uint32_t now = 1;
  for (auto _ : state) {
    now += 16;
    menu.Update(now, 16);
    screen.Clear();
    menu.Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MenuUpdateRender);

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
