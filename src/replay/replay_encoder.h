// Turns a session, tick by tick and event by event, into the bytes of a
// recording. Pure: the caller decides where the bytes go and when.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/console_types.h"

namespace torvelkan::replay {

class ReplayEncoder {
 public:
  // Starts the bytes with the header, naming the program that recorded.
  explicit ReplayEncoder(std::string_view programVersion);

  // One read of the tick source, as the App saw it.
  void Tick(std::uint32_t tick);
  // One input event, as the App received it.
  void Event(const InputRecord& record);
  // The session ended as it should; nothing may follow.
  void End();

  // Closes the run of equal ticks being counted, so that everything recorded
  // so far is in the bytes.
  void Seal();

  // The bytes made since the last Take (only what Seal or an event closed).
  std::string Take();

 private:
  void PutVarint(std::uint32_t value);
  void PutTicks(std::uint32_t delta, std::uint32_t count);

  std::string bytes;
  std::uint32_t lastTick = 0;  // the first tick is written as its distance from 0
  std::uint32_t runDelta = 0;
  std::uint32_t runCount = 0;
};

}  // namespace torvelkan::replay
