// Writing a recording to its file as the session goes.
#include "replay/recorder.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace torvelkan::replay {
namespace {

// Many passes at the same tick still reach the file soon.
constexpr std::uint32_t kItemsPerWrite = 4096;

}  // namespace

Recorder::Recorder(const std::string& path, const std::string& programVersion)
    : path(path), file(std::fopen(path.c_str(), "wb")), encoder(programVersion) {
  if (!file) {
    throw std::runtime_error(path + ": cannot write the recording: " + std::strerror(errno));
  }
  Write();
  if (writeError != 0) {
    throw std::runtime_error(path + ": cannot write the recording: " + std::strerror(writeError));
  }
}

Recorder::~Recorder() {
  if (file) {
    encoder.Seal();
    Write();
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
    Write();
    lastWriteTick = tick;
  }
}

void Recorder::Event(const InputRecord& record) {
  encoder.Event(record);
  ++itemsSinceWrite;
}

void Recorder::Write() {
  itemsSinceWrite = 0;
  const std::string bytes = encoder.Take();
  if (writeError != 0 || !file) {
    return;  // a file that failed once is not written to again
  }
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fflush(file.get()) != 0) {
    writeError = errno != 0 ? errno : EIO;
  }
}

bool Recorder::Finish() {
  if (!file) {
    return fault.empty();
  }
  encoder.End();
  Write();
  const int closed = std::fclose(file.release());
  if (writeError == 0 && closed != 0) {
    writeError = errno != 0 ? errno : EIO;
  }
  if (writeError != 0) {
    fault = path + ": the recording could not be written whole: " + std::strerror(writeError);
  }
  return fault.empty();
}

}  // namespace torvelkan::replay
