// Recording the input events and ticks the App receives.
#include "replay/recording_device.h"

#include <utility>

namespace torvelkan::replay {

void RecordingDevice::ReadInput(InputRecord& record) {
  inner.ReadInput(record);
  if (recorder != nullptr) {
    recorder->Event(record);
  }
}

TickSource RecordingTicks(Recorder* recorder, TickSource ticks) {
  if (recorder == nullptr) {
    return ticks;
  }
  return [recorder, ticks = std::move(ticks)] {
    const std::uint32_t tick = ticks();
    recorder->Tick(tick);
    return tick;
  };
}

}  // namespace torvelkan::replay
