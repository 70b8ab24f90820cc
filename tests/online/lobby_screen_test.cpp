// The lobby as the player sees it: keys in, choices out, and what it draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/keys.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "online/lobby_screen.h"

namespace torvelkan::online {
namespace {

using Choice = LobbyScreen::Choice;
using Page = LobbyScreen::Page;

std::string Shown(const LobbyScreen& lobby) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  lobby.Render(screen);
  screen.Present();
  std::string text;
  for (int row = 0; row < kRows; ++row) {
    text += device.RowText(row) + "\n";
  }
  return text;
}

// Keys pressed one after another from a fresh lobby, and where they lead.
TEST(LobbyScreen, KeysChooseTypeAndGoBack) {
  const struct {
    std::vector<std::uint16_t> keys;
    std::string code;
    Choice choice;  // of the last key
    Page page;
  } cases[] = {
      {{vk::kEnter}, "", Choice::kCreate, Page::kMenu},
      {{vk::kDown, vk::kDown, vk::kEnter}, "", Choice::kQuick, Page::kMenu},
      {{vk::kDown, vk::kDown, vk::kDown, vk::kEnter}, "", Choice::kList, Page::kMenu},
      {{vk::kUp, vk::kEnter}, "", Choice::kLeave, Page::kMenu},  // round from the top
      {{vk::kEscape}, "", Choice::kLeave, Page::kMenu},
      {{vk::kDown, vk::kEnter}, "", Choice::kNone, Page::kCode},
      // Letters in lower case, digits from either row, Backspace rubs out;
      // anything else types nothing.
      {{vk::kDown, vk::kEnter, 'K', '7', vk::kNumpad0 + 2, vk::kSpace, vk::kOemMinus, vk::kA,
        vk::kBack, vk::kEnter},
       "k72",
       Choice::kJoin,
       Page::kCode},
      {{vk::kDown, vk::kEnter, vk::kEnter}, "", Choice::kNone, Page::kCode},  // nothing typed
      {{vk::kDown, vk::kEnter, vk::kA, vk::kEscape}, "", Choice::kNone, Page::kMenu},
      // While an answer is awaited, only Esc acts (it leaves).
      {{vk::kEnter, vk::kDown}, "", Choice::kNone, Page::kMenu},
      {{vk::kEnter, vk::kEscape}, "", Choice::kLeave, Page::kMenu},
  };
  int row = 0;
  for (const auto& c : cases) {
    LobbyScreen lobby("game.example:41961");
    LobbyScreen::Action action;
    for (const std::uint16_t key : c.keys) {
      action = lobby.OnKey(key);
    }
    EXPECT_EQ(action.choice, c.choice) << "row " << row;
    EXPECT_EQ(action.code, c.code) << "row " << row;
    EXPECT_EQ(lobby.CurrentPage(), c.page) << "row " << row;
    ++row;
  }
  LobbyScreen lobby("x");
  lobby.OnKey(vk::kDown);
  lobby.OnKey(vk::kEnter);
  for (int i = 0; i < 20; ++i) {
    lobby.OnKey(vk::kZ);
  }
  EXPECT_EQ(lobby.Typed(), std::string(16, 'z')) << "no code is longer";
}

TEST(LobbyScreen, TheRoomsListedAreWatchedByTheirCodesAndAnEmptyListIsAskedAgain) {
  LobbyScreen lobby("game.example:41961");
  for (int i = 0; i < 3; ++i) {
    lobby.OnKey(vk::kDown);
  }
  ASSERT_EQ(lobby.OnKey(vk::kEnter).choice, Choice::kList);
  lobby.ShowRooms(net::RoomList{0, {}});
  EXPECT_NE(Shown(lobby).find("No one is playing now."), std::string::npos);
  EXPECT_EQ(lobby.OnKey(vk::kEnter).choice, Choice::kList);
  lobby.ShowRooms(net::RoomList{14, {{"aaaa2222", 2, 0}, {"bbbb3333", 1, 5}}});
  const std::string shown = Shown(lobby);
  EXPECT_NE(shown.find("Rooms being played: 14"), std::string::npos) << shown;
  EXPECT_NE(shown.find("> aaaa2222  2 players, 0 watching"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  bbbb3333  1 player, 5 watching"), std::string::npos) << shown;
  lobby.OnKey(vk::kDown);
  const LobbyScreen::Action watch = lobby.OnKey(vk::kEnter);
  EXPECT_EQ(watch.choice, Choice::kWatch);
  EXPECT_EQ(watch.code, "bbbb3333");
  lobby.ShowMessage("every spectator place in that room is taken");
  EXPECT_EQ(lobby.OnKey(vk::kEscape).choice, Choice::kNone);
  EXPECT_EQ(lobby.CurrentPage(), Page::kMenu);
}

TEST(LobbyScreen, DrawsABoxLikeTheMainMenusWithTheServerAndWhatItSaid) {
  LobbyScreen lobby("game.example:41961");
  lobby.ShowMessage("no room has that code");
  const std::string shown = Shown(lobby);
  for (const char* line :
       {"|          Torvelkan online           |", "|    > Start a room                   |",
        "|      Join a room by its code        |", "|      Quick match                    |",
        "|      Watch a game        ", "|      Leave                          |",
        "no room has that code", "Server game.example:41961"}) {
    EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
  }
}

}  // namespace
}  // namespace torvelkan::online
