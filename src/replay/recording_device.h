// Records a session by wrapping what the App reads: the console device it
// takes input events from, the tick source it reads the time from and, on a
// network host, the remote player's hooks. Without a recorder they pass
// everything through untouched.
#pragma once

#include "app/app.h"
#include "app/remote_input.h"
#include "console/console_device.h"
#include "replay/recorder.h"

namespace torvelkan::replay {

class RecordingDevice final : public ConsoleDevice {
 public:
  RecordingDevice(ConsoleDevice& inner, Recorder* recorder) : inner(inner), recorder(recorder) {}

  void Present(const CellGrid& cells) override { inner.Present(cells); }
  bool HasInput() override { return inner.HasInput(); }
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* title) override { inner.SetTitle(title); }
  bool QuitRequested() override { return inner.QuitRequested(); }
  void ShowTextFrom(int row) override { inner.ShowTextFrom(row); }
  int RowsShownFrom(int row) override { return inner.RowsShownFrom(row); }

 private:
  ConsoleDevice& inner;
  Recorder* recorder;
};

// The tick source that records every tick it hands out.
TickSource RecordingTicks(Recorder* recorder, TickSource ticks);

// The remote player's way into the App, recording every call on the way.
RemoteInputSink RecordingRemote(Recorder* recorder, RemoteInputSink sink);

}  // namespace torvelkan::replay
