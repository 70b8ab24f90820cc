// An arena server and its players, each in a terminal of their own, on
// loopback: a room started and joined by its code, a watcher, a quick match,
// a player killed, and the server stopped under everyone.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "e2e/arena_players.h"
#include "e2e/arena_process.h"
#include "e2e/arena_view.h"
#include "e2e/player_terminal.h"
#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::seconds;

std::string Online(const ArenaProcess& server) {
  return ShellQuote(GameBinary()) + " --online " + server.Endpoint();
}

TEST(Arena, TwoPlayersMeetByCodeBothMoveOnBothScreensAWatcherSeesTheSameAndTheServerStops) {
  ArenaProcess server;
  Player red;
  Player blue;
  Player watcher;
  ASSERT_NO_FATAL_FAILURE(EnterLobby(red, Online(server)));
  std::string code;
  ASSERT_NO_FATAL_FAILURE(StartRoom(red, code));
  ASSERT_NO_FATAL_FAILURE(EnterLobby(blue, Online(server)));
  ASSERT_NO_FATAL_FAILURE(JoinByCode(blue, code));
  Screen screen;
  ASSERT_TRUE(red.tmux.WaitFor(RedWithBlueTaken, seconds(10), &screen)) << screen.Dump();
  for (const Player* player : {&red, &blue}) {
    ASSERT_TRUE(player->tmux.WaitFor(Fighting, seconds(10), &screen, true)) << screen.Dump();
  }
  // Each drives their own fighter, arrows or W, A, S, D alike.
  Walk(red, "Left", kRedBody, -1, {&red, &blue});
  Walk(blue, "d", kBlueBody, 1, {&red, &blue});
  Walk(blue, "Left", kBlueBody, -1, {&red, &blue});

  ASSERT_NO_FATAL_FAILURE(EnterLobby(watcher, Online(server)));
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
  ASSERT_TRUE(red.tmux.WaitForText(kInvite, seconds(10), &screen)) << screen.Dump();
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
    ASSERT_NO_FATAL_FAILURE(EnterLobby(*player, Online(server)));
    player->tmux.Keys({"Down", "Down", "Enter"});  // Quick match
  }
  Screen screen;
  ASSERT_TRUE(first.tmux.WaitFor(RedWithBlueTaken, seconds(10), &screen)) << screen.Dump();
  ASSERT_TRUE(second.tmux.WaitForText("You are blue", seconds(10), &screen)) << screen.Dump();
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
