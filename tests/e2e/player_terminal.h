// A player's terminal for the network's end-to-end tests: a shell in tmux
// whose modes are noted before the game starts, and the checks that the game
// gave it back; and the comparison of two players' arenas.
#pragma once

#include <string>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {

class Player {
 public:
  Player();
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Starts the game with these arguments from the shell.
  void Start(const std::string& arguments);

  // The game has ended: the shell's screen and cursor are back with the same
  // modes, the status is the one given and the last line said what happened.
  void ExpectBack(int status, const std::string& message);

  // Kills the game (the shell's children) with SIGKILL.
  void Kill() const;

  TmuxSession tmux;
  std::string modes;
};

// Rows 3 and on of both screens show the same cells: above them the host or
// the arena writes its notices.
bool SameArena(const Screen& a, const Screen& b);

}  // namespace torvelkan::e2e
