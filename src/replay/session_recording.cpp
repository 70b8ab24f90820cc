// The --record option for the program's entry.
#include "replay/session_recording.h"

#include <stdexcept>
#include <utility>

namespace torvelkan::replay {

SessionRecording::SessionRecording(const std::string& path, const std::string& programVersion) {
  if (!path.empty()) {
    recorder = std::make_unique<Recorder>(path, programVersion);
  }
}

ConsoleDevice& SessionRecording::Wrap(ConsoleDevice& inner) {
  if (!recorder) {
    return inner;
  }
  return device.emplace(inner, recorder.get());
}

TickSource SessionRecording::Wrap(TickSource ticks) {
  return RecordingTicks(recorder.get(), std::move(ticks));
}

void SessionRecording::Finish() {
  if (recorder && !recorder->Finish()) {
    throw std::runtime_error(recorder->Fault());
  }
}

}  // namespace torvelkan::replay
