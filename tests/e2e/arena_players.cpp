// What the arena's end-to-end tests do in a player's terminal.
#include "e2e/arena_players.h"

#include <gtest/gtest.h>

#include <chrono>

#include "e2e/arena_view.h"

namespace torvelkan::e2e {

using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

constexpr milliseconds kTap{100};

}  // namespace

bool InLobby(const Screen& screen) {
  return screen.Contains("Torvelkan online") && screen.Contains("Start a room");
}

bool RedWithBlueTaken(const Screen& screen) {
  return screen.Contains("You are red") && !screen.Contains("the AI");
}

bool Fighting(const Screen& screen) {
  return BodyOf(screen, kBlueBody).column >= 0 && BodyOf(screen, kRedBody).column >= 0 &&
         !screen.Contains("Get Ready");
}

void EnterLobby(Player& player, const std::string& command) {
  player.tmux.Type(command);
  Screen screen;
  ASSERT_TRUE(player.tmux.WaitFor(InLobby, seconds(10), &screen)) << screen.Dump();
}

void StartRoom(Player& player, std::string& code) {
  player.tmux.Keys({"Enter"});
  Screen screen;
  const std::string invite = kInvite;
  ASSERT_TRUE(player.tmux.WaitFor([&](const Screen& s) { return s.Contains(invite); }, seconds(10),
                                  &screen))
      << screen.Dump();
  for (const std::string& line : screen.lines) {
    if (const std::size_t at = line.find(invite); at != std::string::npos) {
      code = line.substr(at + invite.size(), 8);
    }
  }
}

void JoinByCode(Player& player, const std::string& code) {
  player.tmux.Keys({"Down", "Enter"});  // Join a room by its code
  for (const char c : code) {
    player.tmux.Keys({std::string(1, c)});
  }
  player.tmux.Keys({"Enter"});
  Screen screen;
  ASSERT_TRUE(player.tmux.WaitForText("You are blue", seconds(10), &screen)) << screen.Dump();
}

void Walk(Player& player, const std::string& key, int colour, int direction,
          const std::vector<const Player*>& screens) {
  std::vector<int> start;
  for (const Player* seen : screens) {
    start.push_back(BodyOf(seen->tmux.Capture(true), colour).column);
    ASSERT_GE(start.back(), 0) << seen->tmux.Capture().Dump();
  }
  const auto movedEverywhere = [&] {
    for (std::size_t i = 0; i < screens.size(); ++i) {
      const int column = BodyOf(screens[i]->tmux.Capture(true), colour).column;
      if (column < 0 || (column - start[i]) * direction < 3) {
        return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(player.tmux.TapUntil(
      key, [&](const Screen&) { return movedEverywhere(); }, 30, kTap))
      << key << "\n"
      << player.tmux.Capture().Dump();
}

}  // namespace torvelkan::e2e
