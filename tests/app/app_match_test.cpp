// The App starts a fight from the menu, feeds it keys, and after the fight
// starts a fresh one with the same AI-on flag; Esc goes back to the menu.
#include <gtest/gtest.h>

#include "common/keys.h"
#include "support/scripted_game.h"

namespace torvelkan {
namespace {

using testing::ScriptedGame;

class AppMatch : public ::testing::Test {
 protected:
  // Past the notice and the intro, then Enter on "Gra".
  void SetUp() override {
    game.Run(3000);
    game.Press(vk::kEscape);  // ends the intro
    ASSERT_NE(game.app.CurrentMenu(), nullptr);
    game.Press(vk::kEnter);
    ASSERT_NE(game.app.CurrentMatch(), nullptr);
  }
  void Down(std::uint16_t key) {
    game.device.Push(MakeKeyRecord(key, true));
    game.Pass();
  }
  void Up(std::uint16_t key) {
    game.device.Push(MakeKeyRecord(key, false));
    game.Pass();
  }
  Match& CurrentMatch() const { return *game.app.CurrentMatch(); }
  const Cell& At(int column, int row) const {
    return game.device.LastFrame()[static_cast<std::size_t>(row * kColumns + column)];
  }
  // Red walks up to blue and bites it to death, one bite every 600 ms.
  void RedBitesBlueToDeath() {
    Down(vk::kLeft);
    game.Run(420);  // 0.25 units a millisecond: from 300 to about 195
    Up(vk::kLeft);
    for (int bite = 0; bite < 10; ++bite) {
      game.Press(vk::kDown);
      game.Run(600);
    }
  }
  ScriptedGame game;
};

TEST_F(AppMatch, EnterShowsTheArenaWithBothBarsGetReadyAndTheCounters) {
  const std::string health = game.Row(1);
  EXPECT_EQ(health.substr(37, 6), "100100");
  EXPECT_EQ(CellAttribute(At(0, 1)), 0x90);
  EXPECT_EQ(CellAttribute(At(36, 1)), 0x90);
  EXPECT_EQ(CellAttribute(At(43, 1)), 0xC0);
  EXPECT_EQ(CellAttribute(At(79, 1)), 0xC0);
  EXPECT_EQ(game.Row(5).substr(36, 9), "Get Ready");
  EXPECT_EQ(CellAttribute(At(36, 5)), 15);
  EXPECT_EQ(game.Row(0).substr(75, 4), "0 AI");
  EXPECT_EQ(game.Row(0).substr(0, 9), " 499 fps ");  // the App's counter stays on top
  EXPECT_EQ(game.Row(3)[0], '|');
}

TEST_F(AppMatch, ArrowKeysMoveRedOnlyAfterTheCountdown) {
  Down(vk::kLeft);
  game.Run(100);
  Up(vk::kLeft);
  EXPECT_EQ(CurrentMatch().Red().x, 300.0f);  // dropped during "Get Ready"
  game.Run(3000);
  Down(vk::kLeft);
  game.Run(100);
  Up(vk::kLeft);
  EXPECT_LT(CurrentMatch().Red().x, 280.0f);
  EXPECT_EQ(game.Row(5).find("Get Ready"), std::string::npos);
}

TEST_F(AppMatch, AFinishedFightIsFollowedByAFreshMatchWithTheSameFlag) {
  game.Press(vk::kSpace);  // blue to the keyboard
  ASSERT_FALSE(game.app.AiEnabled());
  game.Run(3000);
  RedBitesBlueToDeath();
  ASSERT_TRUE(CurrentMatch().Blue().IsDead());
  EXPECT_EQ(CurrentMatch().Message(), "Player red wins!");
  game.Run(600);  // less than the closing 3000 ms since the last bite and its death
  ASSERT_EQ(CurrentMatch().Message(), "Player red wins!");
  EXPECT_EQ(game.Row(5).substr(32, 16), "Player red wins!");
  game.Run(2500);
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  EXPECT_EQ(CurrentMatch().Message(), "Get Ready");
  EXPECT_EQ(CurrentMatch().Blue().health, 100.0f);
  EXPECT_FALSE(CurrentMatch().AiEnabled());
  EXPECT_EQ(game.app.CurrentMenu(), nullptr);
}

TEST_F(AppMatch, SpaceTogglesTheFlagInBothCountdowns) {
  game.Press(vk::kSpace);  // in "Get Ready"
  EXPECT_FALSE(game.app.AiEnabled());
  EXPECT_FALSE(CurrentMatch().AiEnabled());
  game.Press(vk::kSpace);
  game.Press(vk::kSpace);
  ASSERT_FALSE(CurrentMatch().AiEnabled());
  game.Run(3000);
  RedBitesBlueToDeath();
  ASSERT_EQ(CurrentMatch().Message(), "Player red wins!");
  game.Press(vk::kSpace);  // in the closing countdown
  EXPECT_TRUE(game.app.AiEnabled());
  EXPECT_TRUE(CurrentMatch().AiEnabled());
}

TEST_F(AppMatch, EscInTheClosingCountdownLeadsToAFreshMenu) {
  game.Press(vk::kSpace);
  game.Run(3000);
  RedBitesBlueToDeath();
  ASSERT_EQ(CurrentMatch().Message(), "Player red wins!");
  EXPECT_FALSE(game.Press(vk::kEscape));
  EXPECT_EQ(game.app.CurrentMatch(), nullptr);
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  EXPECT_EQ(game.app.CurrentMenu()->Choice(), -1);
}

TEST_F(AppMatch, TheAiCounterGrowsWithRedsKeysAndEveryNewMatchStartsAtZero) {
  game.Run(3000);
  game.Press(vk::kUp);
  game.Press(vk::kLeft);
  EXPECT_EQ(game.Row(0).substr(75, 4), "4 AI");  // a key-down and a key-up each
  game.Press(vk::kEscape);
  game.Press(vk::kEnter);
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  EXPECT_EQ(game.Row(0).substr(75, 4), "0 AI");
}

TEST_F(AppMatch, SpaceHandsBlueToTheKeyboardAndBackAtOnce) {
  game.Run(3000);
  game.Run(1000);
  const std::uint32_t lastDecision = CurrentMatch().Ai().LastThinkTick();
  EXPECT_GT(lastDecision, 0u);         // the AI has been playing blue
  CurrentMatch().Blue().jump = false;  // whatever it chose last
  game.device.PushKey(vk::kSpace);
  game.device.Push(MakeKeyRecord(vk::kW, true));
  game.Pass();
  game.Pass();
  game.Pass();
  EXPECT_TRUE(CurrentMatch().Blue().jump);  // W reached blue in the next pass
  game.Run(1000);
  EXPECT_EQ(CurrentMatch().Ai().LastThinkTick(), lastDecision);
  game.Press(vk::kSpace);
  EXPECT_GT(CurrentMatch().Ai().LastThinkTick(), lastDecision);
}

}  // namespace
}  // namespace torvelkan
