// The --record option for the program's entry.
#include "replay/session_recording.h"

#include <utility>

#include "replay/file_fault.h"

namespace torvelkan::replay {

SessionRecording::SessionRecording(const std::string& path, const std::string& programVersion) {
  if (!path.empty()) {
    recorder = std::make_unique<Recorder>(RecordingFile::Replacing(path), programVersion);
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

RemoteInputSink SessionRecording::Wrap(RemoteInputSink sink) {
  return RecordingRemote(recorder.get(), std::move(sink));
}

void SessionRecording::Finish() {
  if (recorder && !recorder->Finish()) {
    throw FileFault(recorder->Path(), recorder->Problem());
  }
}

}  // namespace torvelkan::replay
