// One whole game on the memory device, the way a player goes through it: from
// the notice to the exit entry, through the readme and a fight of two people.
// It is also the run that .ci/valgrind watches for memory faults and leaks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/keys.h"
#include "support/scripted_game.h"

namespace torvelkan {
namespace {

using testing::ScriptedGame;

// The shipped Readme.txt is read from the current directory.
class InTheSourceFolder {
 public:
  InTheSourceFolder() : home(std::filesystem::current_path()) {
    std::filesystem::current_path(TORVELKAN_SOURCE_DIR);
  }
  ~InTheSourceFolder() { std::filesystem::current_path(home); }
  InTheSourceFolder(const InTheSourceFolder&) = delete;
  InTheSourceFolder& operator=(const InTheSourceFolder&) = delete;

 private:
  std::filesystem::path home;
};

TEST(WholeGame, NoticeLogoMenuReadmeFightAndExit) {
  const InTheSourceFolder folder;
  ScriptedGame game;
  auto hold = [&game](std::uint16_t key, bool down) {
    game.device.Push(MakeKeyRecord(key, down));
    return game.Pass();
  };

  ASSERT_FALSE(game.Pass());
  EXPECT_EQ(game.Row(25).substr(35, 11), "Alt + Enter");
  ASSERT_FALSE(game.Run(3000));
  ASSERT_NE(game.app.CurrentIntro(), nullptr);
  ASSERT_FALSE(game.Run(4000));  // the whole logo has been drawn
  ASSERT_FALSE(game.Press(vk::kW));
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  EXPECT_EQ(game.Row(23).substr(33, 5), "> Gra");

  // The readme, scrolled down three lines and back up one.
  ASSERT_FALSE(game.Press(vk::kDown));
  ASSERT_FALSE(game.Press(vk::kEnter));
  ASSERT_NE(game.app.CurrentReadme(), nullptr);
  EXPECT_EQ(game.Row(2).substr(0, 25), "TORVELKAN - pojedynek dwo");
  for (int line = 0; line < 3; ++line) {
    ASSERT_FALSE(game.Press(vk::kDown));
  }
  EXPECT_EQ(game.Row(2).substr(0, 26), "Dwie kule, niebieska i cze");
  ASSERT_FALSE(game.Press(vk::kUp));
  EXPECT_EQ(game.Row(2).substr(0, 20), "                    ");
  ASSERT_FALSE(game.Press(vk::kEscape));
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  EXPECT_EQ(game.Row(23).substr(33, 5), "> Gra");  // a fresh menu

  // A fight: blue handed to the second player, both walk in, jump, bite and
  // shoot; then the AI takes blue back.
  ASSERT_FALSE(game.Press(vk::kEnter));
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  Match& match = *game.app.CurrentMatch();
  ASSERT_FALSE(game.Press(vk::kSpace));
  ASSERT_FALSE(game.Run(3000));
  hold(vk::kLeft, true);
  hold(vk::kD, true);
  ASSERT_FALSE(game.Run(300));  // 75 units each: close enough to bite, not yet crossed
  hold(vk::kLeft, false);
  hold(vk::kD, false);
  EXPECT_LT(match.Red().x, 230.0f);
  EXPECT_GT(match.Blue().x, 170.0f);
  EXPECT_LT(match.Blue().x, match.Red().x);
  ASSERT_FALSE(game.Press(vk::kUp));
  ASSERT_FALSE(game.Press(vk::kW));
  EXPECT_LT(match.Red().y, 230.0f);
  EXPECT_LT(match.Blue().y, 230.0f);
  ASSERT_FALSE(game.Run(1400));  // both back on the floor
  ASSERT_FALSE(game.Press(vk::kDown));
  ASSERT_FALSE(game.Press(vk::kS));
  EXPECT_EQ(match.Blue().health, 90.0f);
  EXPECT_EQ(match.Red().health, 90.0f);
  EXPECT_EQ(match.DebrisList().size(), 12u);  // six sparks a bite
  hold(vk::kRight, true);                     // red walks away from blue: a shot
  ASSERT_FALSE(game.Run(600));
  ASSERT_FALSE(game.Press(vk::kDown));
  hold(vk::kRight, false);
  EXPECT_EQ(match.Shots().size(), 1u);
  EXPECT_EQ(game.Row(0).substr(56, 1), "1");  // the shots counter
  ASSERT_FALSE(game.Press(vk::kSpace));
  EXPECT_TRUE(match.AiEnabled());
  ASSERT_FALSE(game.Run(1000));  // the AI plays blue meanwhile
  EXPECT_GT(match.Ai().LastThinkTick(), 0u);

  ASSERT_FALSE(game.Press(vk::kEscape));
  ASSERT_EQ(game.app.CurrentMatch(), nullptr);
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  ASSERT_FALSE(game.Press(vk::kDown));
  ASSERT_FALSE(game.Press(vk::kDown));
  EXPECT_EQ(game.Row(27).substr(33, 9), "> Wyjscie");
  game.device.PushKey(vk::kEnter);
  EXPECT_TRUE(game.Pass());
}

}  // namespace
}  // namespace torvelkan
