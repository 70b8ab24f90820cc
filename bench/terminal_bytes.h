// The terminal's side of a benchmarked frame: the bytes the frame encoder
// sends for it, counted.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "console/console_types.h"
#include "console/terminal/frame_encoder.h"

namespace torvelkan::bench {

struct TerminalBytes {
  // Encodes what changed since the frame sent before.
  void Send(const CellGrid& frame) {
    out.clear();
    encoder.Encode(frame, out);
    total += static_cast<double>(out.size());
    benchmark::DoNotOptimize(out.data());
  }

  void Report(benchmark::State& state) const {
    state.counters["bytes_per_frame"] =
        benchmark::Counter(total, benchmark::Counter::kAvgIterations);
  }

  FrameEncoder encoder;
  std::string out;
  double total = 0.0;
};

}  // namespace torvelkan::bench
