// Writes a session to a recording file as it is played, so that a crash or a
// kill loses at most the last half second of it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "console/console_types.h"
#include "replay/replay_encoder.h"

namespace torvelkan::replay {

class Recorder {
 public:
  // The game's time between two writes to the file.
  static constexpr std::uint32_t kFlushMs = 500;

  // Creates the file (emptying one that is there) and writes the header.
  // Throws std::runtime_error with one line naming the file.
  Recorder(const std::string& path, const std::string& programVersion);
  // Writes what is pending but no end: the session did not end as it should.
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void Tick(std::uint32_t tick);
  void Event(const InputRecord& record);

  // Writes the end of the session and closes the file; false if anything
  // could not be written, with Fault() saying why.
  bool Finish();
  const std::string& Fault() const { return fault; }

 private:
  void Write();

  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::string path;
  std::unique_ptr<std::FILE, Closer> file;
  ReplayEncoder encoder;
  bool started = false;
  std::uint32_t lastWriteTick = 0;
  std::uint32_t itemsSinceWrite = 0;
  int writeError = 0;  // the first errno of a failed write
  std::string fault;
};

}  // namespace torvelkan::replay
