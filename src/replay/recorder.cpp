// Writing a recording to its file as the session goes.
#include "replay/recorder.h"

#include <utility>

#include "replay/file_fault.h"

namespace torvelkan::replay {
namespace {

// Many passes at the same tick still reach the file soon.
constexpr std::uint32_t kItemsPerWrite = 4096;

}  // namespace

Recorder::Recorder(const std::string& path, const std::string& programVersion)
    : Recorder(RecordingFile::Create(path), programVersion) {}

Recorder::Recorder(RecordingFile given, const std::string& programVersion)
    : file(std::move(given)), encoder(programVersion) {
  Write(false);
  if (writeError != 0) {
    throw FileFault(file.Path(),
                    "cannot write the recording: " + RecordingFile::ErrorText(writeError));
  }
}

Recorder::~Recorder() {
  if (open) {
    encoder.Seal();
    Write(started);
  }
}

void Recorder::Tick(std::uint32_t tick) {
  encoder.Tick(tick);
  ++itemsSinceWrite;
  if (!started) {
    started = true;
    lastWriteTick = tick;
  } else if (tick - lastWriteTick >= kFlushMs || itemsSinceWrite >= kItemsPerWrite) {
    encoder.Seal();
    Write(true);
    lastWriteTick = tick;
  }
}

void Recorder::Event(const InputRecord& record) {
  encoder.Event(record);
  ++itemsSinceWrite;
}

void Recorder::Remote(const RemoteInput& input) {
  encoder.Remote(input);
  ++itemsSinceWrite;
}

void Recorder::Write(bool commit) {
  itemsSinceWrite = 0;
  const std::string bytes = encoder.Take();
  if (writeError != 0 || !open) {
    return;  // a file that failed once is not written to again
  }
  writeError = file.Write(bytes.data(), bytes.size());
  if (writeError == 0 && commit) {
    writeError = file.Commit();
  }
}

bool Recorder::Finish() {
  if (!open) {
    return problem.empty();
  }
  encoder.End();
  Write(true);
  open = false;
  const int closed = file.Close();
  if (writeError == 0) {
    writeError = closed;
  }
  if (writeError != 0) {
    problem = "the recording could not be written whole: " + RecordingFile::ErrorText(writeError);
  }
  return problem.empty();
}

}  // namespace torvelkan::replay
