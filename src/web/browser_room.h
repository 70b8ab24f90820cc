// What the browsers at one game share: the join code and the waits for wrong
// ones, the player's seat and the spectators', and the player's keys on their
// way to the game.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "net/messages.h"
#include "net/wrong_code_backoff.h"

namespace torvelkan::web {

// The keys a player at the browser plays the whole game with: the fighters'
// keys and those of the menu (Enter, Space, Esc).
bool IsBrowserKey(std::uint16_t code);

class BrowserRoom {
 public:
  static constexpr std::size_t kMaxSpectators = 8;
  static constexpr std::size_t kMaxKeys = 256;  // waiting for the game, which takes one a pass
  static constexpr std::size_t kNoteLines = 32;

  explicit BrowserRoom(std::string code) : code(std::move(code)) {}

  const std::string& Code() const { return code; }

  // A code brought from address at now (milliseconds of the tick counter),
  // in a request's target or a greeting; repeated wrong codes from one
  // address have to wait longer and longer, as for the host.
  net::WrongCodeBackoff::Verdict JudgeCode(const std::string& address, std::string_view brought,
                                           std::uint32_t now);

  // A greeting with the right code asks for a seat: none (it is taken) or
  // why not. The one player (Role::kGuest) plays the whole game.
  std::optional<net::RefuseReason> Seat(net::Role role);
  // Leaving the player's seat lets go of every key the player still holds.
  void Unseat(net::Role role);

  bool PlayerHere() const { return playerHere; }
  std::size_t Spectators() const { return spectators; }

  // The player's key events, oldest first.
  void PlayerKey(const net::KeyEvent& key);
  std::vector<net::KeyEvent> TakeKeys();

  // One line per connection that joined, ended or was refused (bounded).
  void Note(std::string line);
  std::vector<std::string> TakeNotes();

 private:
  std::string code;
  net::WrongCodeBackoff backoff;
  bool playerHere = false;
  std::size_t spectators = 0;
  std::set<std::uint16_t> held;
  std::vector<net::KeyEvent> keys;
  std::deque<std::string> notes;
};

}  // namespace torvelkan::web
