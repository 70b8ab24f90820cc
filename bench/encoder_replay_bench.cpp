// Bytes to the terminal during a busy minute of fighting: the frames the
// terminal device would send, replayed through the frame encoder, against
// sending every one of them whole; and the same in the half view.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "busy_minute.h"
#include "console/half_view.h"
#include "console/terminal/frame_encoder.h"
#include "idle_menu.h"

namespace torvelkan {
namespace {

struct Recording {
  bench::BusyMinute minute = bench::RecordBusyMinute();
  // What the encoder sends for each frame after Invalidate: every cell, with a
  // colour change wherever the colours differ from the cell before.
  double wholeBytes = 0.0;

  Recording() {
    std::string out;
    for (const CellGrid& frame : minute.sent) {
      FrameEncoder encoder;
      out.clear();
      encoder.Encode(frame, out);
      wholeBytes += static_cast<double>(out.size());
    }
  }
};

// Recorded once, at the first benchmark that needs it.
const Recording& TheRecording() {
  static const Recording recording;
  return recording;
}

void BM_EncodeBusyMinute(benchmark::State& state) {
  const Recording& recording = TheRecording();
  const bench::BusyMinute& minute = recording.minute;
  if (minute.blueDeaths == 0 || minute.redDeaths == 0) {
    state.SkipWithError("the scripted fights no longer kill both fighters");
    return;
  }
  std::string out;
  out.reserve(std::size_t{64} * 1024);
  double bytes = 0.0;
  for (auto _ : state) {
    FrameEncoder encoder;            // the terminal's picture is unknown at first
    encoder.SetBareLineFeeds(true);  // as the terminal device sends
    bytes = 0.0;
    for (const CellGrid& frame : minute.sent) {
      out.clear();
      encoder.Encode(frame, out);
      bytes += static_cast<double>(out.size());
      benchmark::DoNotOptimize(out.data());
    }
  }
  const double seconds = bench::kBusyMinuteMs / 1000.0;
  const double frames = static_cast<double>(minute.sent.size());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(minute.sent.size()));
  state.counters["frames_sent"] = frames;
  state.counters["passes"] = static_cast<double>(minute.passes);
  state.counters["bytes_per_s"] = bytes / seconds;
  state.counters["bytes_per_frame"] = bytes / frames;
  state.counters["bytes_per_pass"] = bytes / static_cast<double>(minute.passes);
  state.counters["whole_bytes_per_s"] = recording.wholeBytes / seconds;
  state.counters["whole_bytes_per_frame"] = recording.wholeBytes / frames;
  state.counters["share_of_whole"] = bytes / recording.wholeBytes;
  state.counters["blue_deaths"] = minute.blueDeaths;
  state.counters["red_deaths"] = minute.redDeaths;
  state.counters["most_particles"] = static_cast<double>(minute.mostParticles);
  state.counters["most_shots"] = static_cast<double>(minute.mostShots);
}
BENCHMARK(BM_EncodeBusyMinute)->Unit(benchmark::kMillisecond);

// The bouncing dots behind the menu: what an idle player's terminal receives.
void BM_EncodeIdleMenu(benchmark::State& state) {
  static const std::vector<CellGrid> frames = bench::RecordIdleMenu();
  std::string out;
  double bytes = 0.0;
  for (auto _ : state) {
    FrameEncoder encoder;
    encoder.SetBareLineFeeds(true);  // as the terminal device sends
    bytes = 0.0;
    for (const CellGrid& frame : frames) {
      out.clear();
      encoder.Encode(frame, out);
      bytes += static_cast<double>(out.size());
      benchmark::DoNotOptimize(out.data());
    }
  }
  const double seconds = bench::kIdleMenuMs / 1000.0;
  state.counters["frames_sent"] = static_cast<double>(frames.size());
  state.counters["bytes_per_s"] = bytes / seconds;
  state.counters["bytes_per_frame"] = bytes / static_cast<double>(frames.size());
}
BENCHMARK(BM_EncodeIdleMenu)->Unit(benchmark::kMillisecond);

// The frames in the half view on a terminal of state.range(0) rows, as the
// terminal device sends them there: each frame halved, then encoded.
double SendHalved(const std::vector<CellGrid>& frames, int rows) {
  FrameEncoder encoder;
  encoder.SetBareLineFeeds(true);
  encoder.SetVisibleArea(kColumns, rows);
  CellGrid picture{};
  std::string out;
  double bytes = 0.0;
  for (const CellGrid& frame : frames) {
    picture.fill(Cell{});
    DrawHalfView(frame, kRows, rows, picture);
    out.clear();
    encoder.Encode(picture, out);
    bytes += static_cast<double>(out.size());
    benchmark::DoNotOptimize(out.data());
  }
  return bytes;
}

void BM_EncodeBusyMinuteHalfView(benchmark::State& state) {
  const bench::BusyMinute& minute = TheRecording().minute;
  double bytes = 0.0;
  for (auto _ : state) {
    bytes = SendHalved(minute.sent, static_cast<int>(state.range(0)));
  }
  const double frames = static_cast<double>(minute.sent.size());
  state.counters["bytes_per_s"] = bytes / (bench::kBusyMinuteMs / 1000.0);
  state.counters["bytes_per_frame"] = bytes / frames;
}
BENCHMARK(BM_EncodeBusyMinuteHalfView)->Arg(25)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_EncodeIdleMenuHalfView(benchmark::State& state) {
  static const std::vector<CellGrid> frames = bench::RecordIdleMenu();
  double bytes = 0.0;
  for (auto _ : state) {
    bytes = SendHalved(frames, static_cast<int>(state.range(0)));
  }
  state.counters["bytes_per_s"] = bytes / (bench::kIdleMenuMs / 1000.0);
  state.counters["bytes_per_frame"] = bytes / static_cast<double>(frames.size());
}
BENCHMARK(BM_EncodeIdleMenuHalfView)->Arg(25)->Arg(24)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
