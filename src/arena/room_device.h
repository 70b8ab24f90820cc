// The console device of an arena room: no one sits at it. Red's keys come
// as input events, blue's as remote input, and each frame drawn is kept for
// the room's players and spectators.
#pragma once

#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

#include "app/remote_input.h"
#include "console/console_device.h"

namespace torvelkan::arena {

class RoomDevice final : public ConsoleDevice {
 public:
  // Events a room holds for each fighter before the next pass takes them; a
  // flood past this is dropped (it can only hurt the flooder's own fighter).
  static constexpr std::size_t kMostWaiting = 256;

  // Blue's part reaches the App through sink, as the host's guest's does.
  void Attach(RemoteInputSink sink) { blueSink = std::move(sink); }

  void QueueRed(const InputRecord& record);
  void QueueBlue(const RemoteInput& input);
  // Red's player has gone: what waits is dropped and every red key the App
  // has been given down is let go, and no other (a release teaches the AI).
  void LetGoOfRed();
  // Blue's seat taken or freed: what waits for blue is dropped first.
  void SeatBlue(bool taken);
  // Input waits for a pass, asked without handing any over.
  bool Waiting() const { return !red.empty() || !blue.empty(); }

  // The frame drawn since the last call, if one was; valid until the next
  // pass draws again.
  const CellGrid* TakeFrame() { return std::exchange(frame, nullptr); }

  void Present(const CellGrid& cells) override { frame = &cells; }
  // Blue's input goes to the App as a pass looks for input, before the pass's
  // own event, as on the host.
  bool HasInput() override;
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* /*title*/) override {}

 private:
  RemoteInputSink blueSink;
  std::deque<InputRecord> red;
  std::vector<std::uint16_t> redHeld;  // as the App was given them
  std::deque<RemoteInput> blue;
  const CellGrid* frame = nullptr;
};

}  // namespace torvelkan::arena
