// Where a key's release comes from: reported by the terminal, or guessed.
//
// Keys whose every press and release the terminal reports (the kitty keyboard
// protocol, win32-input-mode, the Linux console's raw keyboard) go to the
// queue as they come, and the router keeps which of them are down, so that it
// can let go of them when the terminal is given away. An ordinary terminal's
// presses go to the release guesser, which lets go of each key later.
#pragma once

#include <cstdint>
#include <vector>

#include "console/terminal/key_event_queue.h"
#include "console/terminal/release_guesser.h"

namespace torvelkan {

class KeyRouter {
 public:
  explicit KeyRouter(GuessStyle style) : guesser(style) {}

  // A key going down (a press or a repeat) or up. Where the terminal does not
  // report releases, `releaseReported` is false: the release is guessed, and
  // any release that comes anyway is not the key's.
  void Route(std::uint16_t code, bool down, bool releaseReported, std::uint32_t now);

  // Lets go of the guessed keys whose repeats have stopped.
  void Expire(std::uint32_t now);

  // Lets go of every key held, guessed ones first: nothing can be let go
  // while the terminal is away.
  void ReleaseEverything();

  bool Empty() const { return events.Empty(); }
  QueuedKey Pop() { return events.Pop(); }

 private:
  void PushGuessed();

  ReleaseGuesser guesser;
  std::vector<GuessedKeyEvent> guessed;
  std::vector<std::uint16_t> reportedDown;  // keys the terminal's reports hold down
  KeyEventQueue events;
};

}  // namespace torvelkan
