// The console device of an arena room.
#include "arena/room_device.h"

#include <algorithm>

namespace torvelkan::arena {

void RoomDevice::QueueRed(const InputRecord& record) {
  if (red.size() < kMostWaiting) {
    red.push_back(record);
  }
}

void RoomDevice::QueueBlue(const RemoteInput& input) {
  if (blue.size() < kMostWaiting) {
    blue.push_back(input);
  }
}

void RoomDevice::LetGoOfRed() {
  red.clear();
  for (const std::uint16_t code : redHeld) {
    red.push_back(MakeKeyRecord(code, false));
  }
}

void RoomDevice::SeatBlue(bool taken) {
  blue.clear();
  blue.push_back(RemoteInput{taken ? RemoteInput::Kind::kBlueOn : RemoteInput::Kind::kBlueOff});
}

bool RoomDevice::HasInput() {
  while (!blue.empty()) {
    const RemoteInput input = blue.front();
    blue.pop_front();
    if (blueSink) {
      blueSink(input);
    }
  }
  return !red.empty();
}

void RoomDevice::ReadInput(InputRecord& record) {
  record = red.front();
  red.pop_front();
  const std::uint16_t code = KeyCode(record);
  std::erase(redHeld, code);
  if (IsKeyDown(record)) {
    redHeld.push_back(code);
  }
}

}  // namespace torvelkan::arena
