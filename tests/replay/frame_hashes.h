// A console device for tests that notes a digest of every frame presented and
// passes everything on to the device it wraps.
#pragma once

#include <cstdint>
#include <vector>

#include "console/console_device.h"

namespace torvelkan::replay::testing {

class FrameHashes final : public ConsoleDevice {
 public:
  explicit FrameHashes(ConsoleDevice& inner) : inner(inner) {}

  void Present(const CellGrid& cells) override {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over characters and colours
    for (const Cell& cell : cells) {
      for (const std::uint16_t part :
           {static_cast<std::uint16_t>(CellChar(cell)), CellAttribute(cell)}) {
        hash = (hash ^ part) * 1099511628211ull;
      }
    }
    hashes.push_back(hash);
    inner.Present(cells);
  }
  bool HasInput() override { return inner.HasInput(); }
  void ReadInput(InputRecord& record) override { inner.ReadInput(record); }
  void SetTitle(const char* title) override { inner.SetTitle(title); }
  bool QuitRequested() override { return inner.QuitRequested(); }

  // Without the repeats of a frame: what a viewer could tell apart.
  std::vector<std::uint64_t> Distinct() const {
    std::vector<std::uint64_t> distinct;
    for (const std::uint64_t hash : hashes) {
      if (distinct.empty() || distinct.back() != hash) {
        distinct.push_back(hash);
      }
    }
    return distinct;
  }

  std::vector<std::uint64_t> hashes;

 private:
  ConsoleDevice& inner;
};

}  // namespace torvelkan::replay::testing
