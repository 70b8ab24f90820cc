// Where a key's release comes from: reported by the terminal, or guessed.
#include "console/terminal/key_router.h"

#include <algorithm>

namespace torvelkan {

void KeyRouter::Route(std::uint16_t code, bool down, bool releaseReported, std::uint32_t now) {
  if (releaseReported) {
    auto held = std::find(reportedDown.begin(), reportedDown.end(), code);
    if (down && held == reportedDown.end()) {
      reportedDown.push_back(code);
    } else if (!down && held != reportedDown.end()) {
      reportedDown.erase(held);
    }
    events.Push(code, down);
    return;
  }
  if (!down) {
    return;
  }
  guessed.clear();
  guesser.Press(code, now, guessed);
  PushGuessed();
}

void KeyRouter::Expire(std::uint32_t now) {
  guessed.clear();
  guesser.Expire(now, guessed);
  PushGuessed();
}

void KeyRouter::ReleaseEverything() {
  guessed.clear();
  guesser.ReleaseAll(guessed);
  PushGuessed();
  for (const std::uint16_t code : reportedDown) {
    events.Push(code, false);
  }
  reportedDown.clear();
}

void KeyRouter::PushGuessed() {
  for (const GuessedKeyEvent& key : guessed) {
    events.Push(key.code, key.down);
  }
}

}  // namespace torvelkan
