// What the arena's end-to-end tests do in a player's terminal: reach the
// lobby, start a room and read its code, join one by its code, walk a
// fighter; and what they look for on the screen.
#pragma once

#include <string>
#include <vector>

#include "e2e/player_terminal.h"
#include "e2e/tmux_session.h"

namespace torvelkan::e2e {

bool InLobby(const Screen& screen);
// Red's banner once blue's seat is taken: no word of the AI.
bool RedWithBlueTaken(const Screen& screen);
// Both fighters on the screen with the countdown over.
bool Fighting(const Screen& screen);

// Red's banner while blue's seat is free, before the code.
inline constexpr const char* kInvite = "blue is the AI until a friend joins with code ";

// Types command (a game going online, directly or through ssh) into the
// player's shell and waits for the lobby.
void EnterLobby(Player& player, const std::string& command);
// Starts a room from the lobby and reads its code off red's banner.
void StartRoom(Player& player, std::string& code);
// Joins the room of code from the lobby: the player is blue.
void JoinByCode(Player& player, const std::string& code);

// Taps key until the fighter of colour has moved three cells the given way
// on every screen; bounded in taps.
void Walk(Player& player, const std::string& key, int colour, int direction,
          const std::vector<const Player*>& screens);

}  // namespace torvelkan::e2e
