// The terminal device's bounded queue of key events.
#include "console/terminal/key_event_queue.h"

#include <algorithm>

#include "common/keys.h"

namespace torvelkan {

void KeyEventQueue::Append(std::uint16_t code, bool down) {
  const std::size_t key = code & 0xFFu;
  entries.push_back(Entry{QueuedKey{code, down}, downAtEnd[key] == down});
  downAtEnd[key] = down;
  if (down) {
    swallowed[key] = false;
  }
}

void KeyEventQueue::Push(std::uint16_t code, bool down) {
  const std::size_t key = code & 0xFFu;
  if (entries.size() < kCapacity) {
    Append(code, down);
    return;
  }
  if (downAtEnd[key] == down) {
    return;  // a repeat, or a release of a key already up: nothing changes
  }
  if (down && code != vk::kEscape) {
    swallowed[key] = true;
    return;
  }
  if (!down && swallowed[key]) {
    swallowed[key] = false;
    return;
  }
  RemoveSomethingLosable(code, down);
  Append(code, down);
}

bool KeyEventQueue::RemoveSomethingLosable(std::uint16_t incoming, bool incomingDown) {
  const auto idle =
      std::find_if(entries.begin(), entries.end(), [](const Entry& e) { return e.changesNothing; });
  if (idle != entries.end()) {
    entries.erase(idle);
    return true;
  }
  // With no idle entries, each key's entries alternate press and release, so
  // a press followed by an entry of its key is a whole tap. An Esc tap goes
  // only when another Esc press stays (or is the one coming in).
  const bool escapeComing = incoming == vk::kEscape && incomingDown;
  for (auto press = entries.begin(); press != entries.end(); ++press) {
    if (!press->key.down) {
      continue;
    }
    const std::uint16_t code = press->key.code;
    const auto release = std::find_if(press + 1, entries.end(),
                                      [code](const Entry& e) { return e.key.code == code; });
    if (release == entries.end()) {
      continue;
    }
    if (code == vk::kEscape && !escapeComing &&
        std::none_of(release + 1, entries.end(),
                     [](const Entry& e) { return e.key.code == vk::kEscape && e.key.down; })) {
      continue;
    }
    // Erasing the later one first leaves the earlier one where it was.
    const auto at = press - entries.begin();
    entries.erase(release);
    entries.erase(entries.begin() + at);
    return true;
  }
  return false;
}

QueuedKey KeyEventQueue::Pop() {
  const QueuedKey key = entries.front().key;
  entries.pop_front();
  return key;
}

}  // namespace torvelkan
