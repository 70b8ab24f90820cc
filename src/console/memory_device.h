// A console that lives in memory, for tests: it keeps the presented frames and
// serves input events a test has queued.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "console/console_device.h"

namespace torvelkan {

class MemoryDevice final : public ConsoleDevice {
 public:
  // Keeps at most the newest keepFrames frames (0 keeps only the count and the
  // last frame), so long scripted games stay small.
  explicit MemoryDevice(std::size_t keepFrames = 0) : keepFrames(keepFrames) {}

  void Present(const CellGrid& cells) override;
  bool HasInput() override { return !input.empty(); }
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* text) override { title = text; }
  bool QuitRequested() override { return quitRequested; }
  void ShowTextFrom(int row) override { textFrom = row; }

  // Queues events for the program to read, one per pass.
  void Push(const InputRecord& record) { input.push_back(record); }
  void PushKey(std::uint16_t virtualKey) {
    Push(MakeKeyRecord(virtualKey, true));
    Push(MakeKeyRecord(virtualKey, false));
  }

  std::size_t PendingInput() const { return input.size(); }
  std::size_t FrameCount() const { return frameCount; }
  const CellGrid& LastFrame() const { return last; }
  const std::deque<CellGrid>& Frames() const { return frames; }
  const std::string& Title() const { return title; }
  // Where the last frame's text begins, as the screen marked it (kRows: none).
  int TextFrom() const { return textFrom; }

  // The characters of one row of the last frame, character 0 shown as a blank.
  std::string RowText(int row) const;

  bool quitRequested = false;

 private:
  std::size_t keepFrames;
  std::size_t frameCount = 0;
  CellGrid last{};
  std::deque<CellGrid> frames;
  std::deque<InputRecord> input;
  std::string title;
  int textFrom = kRows;
};

}  // namespace torvelkan
