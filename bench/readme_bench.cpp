// The readme viewer on a file at its 16 MiB limit: a frame at the top and at
// the very end, a scroll step, a scrolled frame with its terminal encoding,
// and the loading itself.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "common/keys.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "screens/readme_viewer.h"
#include "terminal_bytes.h"

namespace torvelkan {
namespace {

// Lines of 60 characters and CR LF, with a Polish letter in each.
const std::string& LargeText() {
  static const std::string text = [] {
    std::string bytes;
    bytes.reserve(ReadmeViewer::kMaxTextBytes);
    for (int k = 0; bytes.size() < ReadmeViewer::kMaxTextBytes; ++k) {
      std::string line = "wiersz " + std::to_string(k) + " \xB3\xB9\xEA ";
      line.resize(60, '.');
      bytes += line + "\r\n";
    }
    bytes.resize(ReadmeViewer::kMaxTextBytes);
    return bytes;
  }();
  return text;
}

ReadmeSource FromMemory(const std::string& bytes) {
  return [&bytes](std::size_t, const ReadmeBlock& block) {
    for (std::size_t at = 0; at < bytes.size(); at += kReadmeBlockBytes) {
      block(reinterpret_cast<const unsigned char*>(bytes.data() + at),
            std::min(kReadmeBlockBytes, bytes.size() - at));
    }
    return true;
  };
}

ReadmeViewer ScrolledToTheEnd() {
  ReadmeViewer viewer(FromMemory(LargeText()));
  for (std::int32_t i = 0; i < viewer.CountLineBreaks(); ++i) {
    viewer.OnKey(vk::kDown);
  }
  return viewer;
}

// cppcheck-suppress constParameterCallback ; the benchmark's loop advances the state
void BM_ReadmeFrameAtTheTop(benchmark::State& state) {
  const ReadmeViewer viewer(FromMemory(LargeText()));
  MemoryDevice device;
  ConsoleScreen screen(device);
  for (auto _ : state) {
    screen.Clear();
    viewer.Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
  }
}
BENCHMARK(BM_ReadmeFrameAtTheTop);

void BM_ReadmeFrameAtTheLastLine(benchmark::State& state) {
  const ReadmeViewer viewer = ScrolledToTheEnd();
  MemoryDevice device;
  ConsoleScreen screen(device);
  for (auto _ : state) {
    screen.Clear();
    viewer.Render(screen);
    benchmark::DoNotOptimize(screen.Cells().data());
  }
  state.counters["scroll"] = viewer.Scroll();
}
BENCHMARK(BM_ReadmeFrameAtTheLastLine);

// cppcheck-suppress constParameterCallback ; the benchmark's loop advances the state
void BM_ReadmeUpAndDownAtTheEnd(benchmark::State& state) {
  ReadmeViewer viewer = ScrolledToTheEnd();
  for (auto _ : state) {
    viewer.OnKey(vk::kUp);
    viewer.OnKey(vk::kDown);
  }
}
BENCHMARK(BM_ReadmeUpAndDownAtTheEnd);

// A held arrow key at the end: every frame scrolls one line, so nearly every
// row changes, and the frame goes to the terminal encoded.
void BM_ReadmeScrolledFrameAtTheEndEncoded(benchmark::State& state) {
  ReadmeViewer viewer = ScrolledToTheEnd();
  MemoryDevice device;
  ConsoleScreen screen(device);
  bench::TerminalBytes terminal;
  bool up = true;
  for (auto _ : state) {
    viewer.OnKey(up ? vk::kUp : vk::kDown);
    up = !up;
    screen.Clear();
    viewer.Render(screen);
    terminal.Send(screen.Cells());
  }
  terminal.Report(state);
}
BENCHMARK(BM_ReadmeScrolledFrameAtTheEndEncoded);

void BM_ReadmeLoadSixteenMebibytes(benchmark::State& state) {
  for (auto _ : state) {
    const ReadmeViewer viewer(FromMemory(LargeText()));
    benchmark::DoNotOptimize(viewer.Text().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(LargeText().size()));
}
BENCHMARK(BM_ReadmeLoadSixteenMebibytes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
