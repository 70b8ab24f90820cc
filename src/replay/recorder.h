// Writes a session to a recording file as it is played, so that a crash or a
// kill loses at most the last half second of it.
#pragma once

#include <cstdint>
#include <string>

#include "app/remote_input.h"
#include "console/console_types.h"
#include "replay/recording_file.h"
#include "replay/replay_encoder.h"

namespace torvelkan::replay {

class Recorder {
 public:
  // The game's time between two writes to the file.
  static constexpr std::uint32_t kFlushMs = 500;

  // Creates the file (emptying one that is there) and writes the header.
  // Throws FileFault (replay/file_fault.h) with one line naming the file.
  Recorder(const std::string& path, const std::string& programVersion);
  // The same into a file opened already. A new file that replaces another
  // (RecordingFile::Replacing) is put in place by the first write after the
  // session's first tick, or by Finish: only once it holds a game.
  Recorder(RecordingFile given, const std::string& programVersion);
  // Writes what is pending but no end: the session did not end as it should.
  // A file that got no tick is left out: the session never began.
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void Tick(std::uint32_t tick);
  void Event(const InputRecord& record);
  void Remote(const RemoteInput& input);

  // Writes the end of the session and closes the file; false if anything
  // could not be written, with Fault() saying why.
  bool Finish();
  // "FILE: what went wrong"; Problem() is the same without the name.
  std::string Fault() const { return problem.empty() ? "" : file.Path() + ": " + problem; }
  const std::string& Problem() const { return problem; }
  const std::string& Path() const { return file.Path(); }

 private:
  // Writes what the encoder holds; with commit, puts a new file in place.
  void Write(bool commit);

  RecordingFile file;
  ReplayEncoder encoder;
  bool open = true;
  bool started = false;
  std::uint32_t lastWriteTick = 0;
  std::uint32_t itemsSinceWrite = 0;
  int writeError = 0;  // the first error of a failed write
  std::string problem;
};

}  // namespace torvelkan::replay
