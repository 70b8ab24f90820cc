// What the browsers at one game share.
#include "web/browser_room.h"

#include <utility>

#include "common/keys.h"
#include "match/fighter_keys.h"
#include "net/join_code.h"

namespace torvelkan::web {

bool IsBrowserKey(std::uint16_t code) {
  return IsFighterKey(code) || code == vk::kEscape || code == vk::kEnter || code == vk::kSpace;
}

net::WrongCodeBackoff::Verdict BrowserRoom::JudgeCode(const std::string& address,
                                                      std::string_view brought, std::uint32_t now) {
  return backoff.Judge(address, net::SameCode(brought, code), now);
}

std::optional<net::RefuseReason> BrowserRoom::Seat(net::Role role) {
  if (role == net::Role::kGuest) {
    if (playerHere) {
      return net::RefuseReason::kGuestTaken;
    }
    playerHere = true;
    return std::nullopt;
  }
  if (spectators >= kMaxSpectators) {
    return net::RefuseReason::kFull;
  }
  ++spectators;
  return std::nullopt;
}

void BrowserRoom::Unseat(net::Role role) {
  if (role == net::Role::kSpectator) {
    spectators -= spectators > 0 ? 1 : 0;
    return;
  }
  playerHere = false;
  // A player who went away (a closed tab, a lost connection) holds nothing.
  for (const std::uint16_t key : held) {
    keys.push_back(net::KeyEvent{key, false});
  }
  held.clear();
}

void BrowserRoom::PlayerKey(const net::KeyEvent& key) {
  const bool wasHeld = key.down ? !held.insert(key.code).second : held.erase(key.code) > 0;
  // The release of a held key always gets through, so that nothing stays
  // down; past the bound nothing else does.
  if (keys.size() < kMaxKeys || (!key.down && wasHeld)) {
    keys.push_back(key);
  }
}

std::vector<net::KeyEvent> BrowserRoom::TakeKeys() { return std::exchange(keys, {}); }

void BrowserRoom::Note(std::string line) {
  if (notes.size() == kNoteLines) {
    notes.pop_front();
  }
  notes.push_back(std::move(line));
}

std::vector<std::string> BrowserRoom::TakeNotes() {
  std::vector<std::string> lines(notes.begin(), notes.end());
  notes.clear();
  return lines;
}

}  // namespace torvelkan::web
