// An arena server and its players, each in a terminal of their own, on
// loopback: a room started and joined by its code, a watcher, a quick match,
// a player killed, and the server stopped under everyone.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "e2e/arena_process.h"
#include "e2e/arena_view.h"
#include "e2e/player_terminal.h"
#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr milliseconds kTap{100};

bool InLobby(const Screen& screen) {
  return screen.Contains("Torvelkan online") && screen.Contains("Start a room");
}

// The lobby up in the player's terminal.
void ToLobby(Player& player, const ArenaProcess& server) {
  player.Start("--online " + server.Endpoint());
  Screen screen;
  ASSERT_TRUE(player.tmux.WaitFor(InLobby, seconds(10), &screen)) << screen.Dump();
}

// Taps key until the fighter of colour has moved three cells the given way on
// every screen; bounded in taps.
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
  bool walked = false;
  for (int tap = 0; tap < 30 && !walked; ++tap) {
    player.tmux.Keys({key});
    walked = player.tmux.WaitFor([&](const Screen&) { return movedEverywhere(); }, kTap);
  }
  EXPECT_TRUE(walked) << key << "\n" << player.tmux.Capture().Dump();
}

// Red's banner once blue's seat is taken: no word of the AI.
bool RedWithBlueTaken(const Screen& screen) {
  return screen.Contains("You are red") && !screen.Contains("the AI");
}

bool Fighting(const Screen& screen) {
  return BodyOf(screen, kBlueBody).column >= 0 && BodyOf(screen, kRedBody).column >= 0 &&
         !screen.Contains("Get Ready");
}

TEST(Arena, TwoPlayersMeetByCodeBothMoveOnBothScreensAWatcherSeesTheSameAndTheServerStops) {
  ArenaProcess server;
  Player red;
  Player blue;
  Player watcher;
  ASSERT_NO_FATAL_FAILURE(ToLobby(red, server));
  red.tmux.Keys({"Enter"});  // Start a room
  Screen screen;
  const std::string invite = "blue is the AI until a friend joins with code ";
  ASSERT_TRUE(
      red.tmux.WaitFor([&](const Screen& s) { return s.Contains(invite); }, seconds(10), &screen))
      << screen.Dump();
  const std::string& line = screen.lines[1];
  const std::string code = line.substr(line.find(invite) + invite.size(), 8);

  ASSERT_NO_FATAL_FAILURE(ToLobby(blue, server));
  blue.tmux.Keys({"Down", "Enter"});  // Join a room by its code
  for (const char c : code) {
    blue.tmux.Keys({std::string(1, c)});
  }
  blue.tmux.Keys({"Enter"});
  ASSERT_TRUE(blue.tmux.WaitForText("You are blue", seconds(10), &screen)) << screen.Dump();
  ASSERT_TRUE(red.tmux.WaitFor(RedWithBlueTaken, seconds(10), &screen)) << screen.Dump();
  for (const Player* player : {&red, &blue}) {
    ASSERT_TRUE(player->tmux.WaitFor(Fighting, seconds(10), &screen, true)) << screen.Dump();
  }
  // Each drives their own fighter, arrows or W, A, S, D alike.
  Walk(red, "Left", kRedBody, -1, {&red, &blue});
  Walk(blue, "d", kBlueBody, 1, {&red, &blue});
  Walk(blue, "Left", kBlueBody, -1, {&red, &blue});

  ASSERT_NO_FATAL_FAILURE(ToLobby(watcher, server));
  watcher.tmux.Keys({"Down", "Down", "Down", "Enter"});  // Watch a game
  ASSERT_TRUE(watcher.tmux.WaitForText("2 players, 0 watching", seconds(10), &screen))
      << screen.Dump();
  watcher.tmux.Keys({"Enter"});
  ASSERT_TRUE(watcher.tmux.WaitFor(
      [&](const Screen& s) {
        return s.Contains("Watching") && SameArena(s, red.tmux.Capture(true));
      },
      seconds(10), &screen, true))
      << screen.Dump() << "\nred:\n"
      << red.tmux.Capture(true).Dump();

  // Blue's player killed: the AI takes blue within three seconds.
  blue.Kill();
  const auto killed = std::chrono::steady_clock::now();
  ASSERT_TRUE(red.tmux.WaitForText(invite, seconds(10), &screen)) << screen.Dump();
  EXPECT_LT(std::chrono::steady_clock::now() - killed, seconds(3));

  EXPECT_EQ(server.Stop(), 0);
  red.ExpectBack(1, "the server is stopping");
  watcher.ExpectBack(1, "the server is stopping");
}

TEST(Arena, AQuickMatchPairsTwoPlayersAndEscGoesBackToTheLobbyThenLeaves) {
  ArenaProcess server;
  Player first;
  Player second;
  for (Player* player : {&first, &second}) {
    ASSERT_NO_FATAL_FAILURE(ToLobby(*player, server));
    player->tmux.Keys({"Down", "Down", "Enter"});  // Quick match
  }
  Screen screen;
  ASSERT_TRUE(first.tmux.WaitForText("You are red", seconds(10), &screen)) << screen.Dump();
  ASSERT_TRUE(second.tmux.WaitForText("You are blue", seconds(10), &screen)) << screen.Dump();
  ASSERT_TRUE(first.tmux.WaitFor(RedWithBlueTaken, seconds(10), &screen))
      << "paired: " << screen.Dump();
  second.tmux.Keys({"Escape"});
  ASSERT_TRUE(second.tmux.WaitFor(InLobby, seconds(10), &screen)) << screen.Dump();
  ASSERT_TRUE(
      first.tmux.WaitForText("blue is the AI until another player comes", seconds(10), &screen))
      << screen.Dump();
  second.tmux.Keys({"Escape"});
  second.ExpectBack(0, "");
  EXPECT_EQ(server.Stop(), 0);
  first.ExpectBack(1, "the server is stopping");
}

}  // namespace
}  // namespace torvelkan::e2e
