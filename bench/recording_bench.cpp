// The size of a recording of a busy minute of fighting (both players' keys,
// four fights), and the time it takes to write it and to play it again.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "busy_minute.h"
#include "console/memory_device.h"
#include "replay/recorder.h"
#include "replay/recording.h"
#include "replay/replay_player.h"

namespace torvelkan {
namespace {

std::string ScratchFile() {
  return (std::filesystem::temp_directory_path() / "torvelkan-recording-bench.tvr").string();
}

void BM_RecordBusyMinute(benchmark::State& state) {
  const std::string path = ScratchFile();
  for (auto _ : state) {
    replay::Recorder recorder(path, "bench");
    benchmark::DoNotOptimize(bench::RecordBusyMinute(&recorder));
    benchmark::DoNotOptimize(recorder.Finish());
  }
  const replay::Recording recording = replay::LoadRecording(path);
  state.counters["file_bytes"] = static_cast<double>(recording.bytes.size());
  state.counters["passes"] = static_cast<double>(recording.passes);
  state.counters["bytes_per_pass"] =
      static_cast<double>(recording.bytes.size()) / static_cast<double>(recording.passes);
  std::filesystem::remove(path);
}
BENCHMARK(BM_RecordBusyMinute)->Unit(benchmark::kMillisecond);

void BM_ReplayBusyMinute(benchmark::State& state) {
  const std::string path = ScratchFile();
  {
    replay::Recorder recorder(path, "bench");
    bench::RecordBusyMinute(&recorder);
    benchmark::DoNotOptimize(recorder.Finish());
  }
  const replay::Recording recording = replay::LoadRecording(path);
  for (auto _ : state) {
    MemoryDevice device;
    replay::ReplayPlayer player(recording, device);
    while (player.Pass()) {
    }
    benchmark::DoNotOptimize(device.LastFrame());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReplayBusyMinute)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
