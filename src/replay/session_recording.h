// The --record option in one object for the program's entry: it opens the
// file, wraps the console device, the tick source and (on a network host) the
// remote hooks the App is given, and writes the end. Without a file name it
// wraps nothing.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/app.h"
#include "console/console_device.h"
#include "replay/recorder.h"
#include "replay/recording_device.h"

namespace torvelkan::replay {

class SessionRecording {
 public:
  // Opens the file when path is not empty: before the console is taken, so
  // that a file that cannot be written stops the program with one line. What
  // is at path stays as it is until the session has begun: should the game
  // refuse to start, the new file beside it is removed again.
  SessionRecording(const std::string& path, const std::string& programVersion);

  // What the App should see.
  ConsoleDevice& Wrap(ConsoleDevice& inner);
  TickSource Wrap(TickSource ticks);
  // On a network host: what the guest does to the App.
  RemoteInputSink Wrap(RemoteInputSink sink);

  // Writes the session's end; throws FileFault if the file could not be
  // written whole. Called while the console is still taken: a quit signal
  // ends the process when it is given back.
  void Finish();

 private:
  std::unique_ptr<Recorder> recorder;
  std::optional<RecordingDevice> device;
};

}  // namespace torvelkan::replay
