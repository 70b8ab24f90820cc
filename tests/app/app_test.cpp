// The App's notice, screen sequence, key routing and frame counter.
#include <gtest/gtest.h>

#include "common/keys.h"
#include "common/random.h"
#include "support/scripted_game.h"

namespace torvelkan {
namespace {

using testing::ScriptedGame;

TEST(AppNotice, ShowsAltEnterAndTheCounterAndSetsTheTitle) {
  ScriptedGame game;
  EXPECT_EQ(game.device.Title(), "Torvelkan");
  EXPECT_FALSE(game.Pass(16));
  EXPECT_EQ(game.Row(25).substr(35, 11), "Alt + Enter");
  EXPECT_EQ(CellAttribute(game.device.LastFrame()[25 * 80 + 35]), 7);
  EXPECT_EQ(CellAttribute(game.device.LastFrame()[25 * 80 + 34]), 0);
  EXPECT_EQ(game.Row(0).substr(0, 7), " 0 fps ");
  EXPECT_EQ(CellAttribute(game.device.LastFrame()[1]), 7);
}

TEST(AppNotice, LastsThreeSecondsThenTheIntroIsDrawn) {
  ScriptedGame game;
  game.Pass(2999);
  EXPECT_EQ(game.app.NoticeCountdownMs(), 1);
  EXPECT_EQ(game.app.CurrentIntro(), nullptr);
  EXPECT_EQ(game.Row(25).substr(35, 11), "Alt + Enter");
  game.Pass(1);
  EXPECT_EQ(game.app.NoticeCountdownMs(), 0);
  ASSERT_NE(game.app.CurrentIntro(), nullptr);
  EXPECT_EQ(game.Row(25).find("Alt"), std::string::npos);
}

TEST(AppNotice, ALongStepStopsTheCountdownAtZeroAndStartsTheIntro) {
  ScriptedGame game;
  game.Pass(2900);
  game.Pass(5000);
  EXPECT_EQ(game.app.NoticeCountdownMs(), 0);
  EXPECT_NE(game.app.CurrentIntro(), nullptr);
  game.Pass(0xFFFFFFF0u);  // even an absurd step leaves it at 0
  EXPECT_EQ(game.app.NoticeCountdownMs(), 0);
}

TEST(AppNotice, EscEndsTheProgramOtherKeysAreIgnored) {
  ScriptedGame game;
  game.Pass(10);
  for (std::uint16_t key : {vk::kEnter, vk::kSpace, vk::kUp, vk::kA, vk::kF1}) {
    EXPECT_FALSE(game.Press(key));
  }
  EXPECT_EQ(game.app.CurrentIntro(), nullptr);
  EXPECT_EQ(game.app.CurrentMenu(), nullptr);
  game.device.PushKey(vk::kEscape);
  EXPECT_TRUE(game.Pass());
}

TEST(AppNotice, NonKeyEventsAreConsumedAndIgnored) {
  ScriptedGame game;
  for (std::uint16_t type :
       {kMouseEventType, kFocusEventType, kWindowBufferSizeEventType, kMenuEventType}) {
    game.device.Push(MakeOtherRecord(type));
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(game.Pass());
  }
  EXPECT_EQ(game.device.PendingInput(), 0u);
}

TEST(AppFrameCounter, ShowsZeroForTheFirstSecondThenTheCompletedWindow) {
  ScriptedGame game;
  // Steps at 1 ms: ticks 1001 to 1999 fall in the first window, 2000 closes it.
  for (int i = 0; i < 999; ++i) {
    game.Pass(1);
  }
  EXPECT_EQ(game.app.FramesPerSecond(), 0u);
  EXPECT_EQ(game.Row(0).substr(0, 6), " 0 fps");
  game.Pass(1);
  EXPECT_EQ(game.app.FramesPerSecond(), 999u);
  EXPECT_EQ(game.Row(0).substr(0, 8), " 999 fps");
  // The closing step counts in neither window: the next has 999 again.
  for (int i = 0; i < 1000; ++i) {
    game.Pass(1);
  }
  EXPECT_EQ(game.app.FramesPerSecond(), 999u);
}

TEST(AppFrameCounter, SurvivesTheWrapOfTheTickCounter) {
  ScriptedGame game(0xFFFFFF00u);
  for (int i = 0; i < 999; ++i) {
    game.Pass(1);
  }
  EXPECT_EQ(game.app.FramesPerSecond(), 0u);
  game.Pass(1);
  EXPECT_EQ(game.app.FramesPerSecond(), 999u);
}

TEST(AppSeed, TheGeneratorIsSeededFromTheTickAtStart) {
  // cppcheck-suppress unreadVariable ; made for the seeding its start does
  ScriptedGame game(777);
  srand(777);
  const int expected = rand();
  srand(777);
  // cppcheck-suppress unreadVariable ; made for the seeding its start does
  ScriptedGame again(777);
  EXPECT_EQ(rand(), expected);
}

// The intro and the menu, reached the way a player does.
class AppSequence : public ::testing::Test {
 protected:
  void ToIntro() {
    game.Run(3000);
    ASSERT_NE(game.app.CurrentIntro(), nullptr);
  }
  void ToMenu() {
    ToIntro();
    game.device.PushKey(vk::kEscape);
    EXPECT_FALSE(game.Pass());  // Esc only ends the intro; the menu follows at once
    ASSERT_NE(game.app.CurrentMenu(), nullptr);
    EXPECT_EQ(game.app.CurrentIntro(), nullptr);
    EXPECT_FALSE(game.Pass());  // the key-up
  }
  ScriptedGame game;
};

// The whole way from the notice to the exit entry, as the frames show it.
TEST_F(AppSequence, NoticeIntroMenuAndExitAsThePlayerSeesThem) {
  auto attribute = [this](int column, int row) {
    return CellAttribute(game.device.LastFrame()[static_cast<std::size_t>(row * 80 + column)]);
  };
  game.Run(2998);
  EXPECT_EQ(game.Row(25).substr(35, 11), "Alt + Enter");
  EXPECT_EQ(game.app.CurrentIntro(), nullptr);

  // The step in which the notice runs out creates the intro, updates it and
  // draws its first stroke, which runs down from (0, 50): the corner of cell
  // (0, 8) lies on its core. The second stroke, through (25, 138), waits.
  game.Pass();
  ASSERT_NE(game.app.CurrentIntro(), nullptr);
  EXPECT_EQ(game.Row(25).find("Alt"), std::string::npos);
  EXPECT_EQ(attribute(0, 8), 240);
  EXPECT_EQ(attribute(5, 23), 0);
  game.Run(126);
  EXPECT_EQ(attribute(5, 23), 0);
  game.Pass();  // 128 ms after the start
  EXPECT_EQ(attribute(5, 23), 240);

  // A key-down ends the intro; the menu is made and drawn in that same pass.
  game.device.PushKey(vk::kS);
  EXPECT_FALSE(game.Pass());
  EXPECT_EQ(game.app.CurrentIntro(), nullptr);
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  EXPECT_EQ(game.Row(20).substr(36, 9), "Torvelkan");
  EXPECT_EQ(game.Row(23).substr(33, 5), "> Gra");
  EXPECT_NE(attribute(0, 8), 240);  // the strokes are gone; no dot is ever white
  EXPECT_NE(attribute(5, 23), 240);
  EXPECT_FALSE(game.Pass());  // the key-up

  EXPECT_FALSE(game.Press(vk::kDown));
  EXPECT_EQ(game.Row(25).substr(33, 12), "> Informacje");
  EXPECT_FALSE(game.Press(vk::kDown));
  EXPECT_EQ(game.Row(27).substr(33, 9), "> Wyjscie");
  const std::size_t frames = game.device.FrameCount();
  game.device.PushKey(vk::kEnter);
  EXPECT_TRUE(game.Pass());
  EXPECT_EQ(game.device.FrameCount(), frames);  // the program ends without another frame
}

TEST_F(AppSequence, AnyKeyDownEndsTheIntroAKeyUpDoesNot) {
  ToIntro();
  game.device.Push(MakeKeyRecord(vk::kLeft, false));
  game.Pass();
  EXPECT_NE(game.app.CurrentIntro(), nullptr);
  game.device.Push(MakeKeyRecord(vk::kF1, true));
  game.Pass();
  EXPECT_EQ(game.app.CurrentIntro(), nullptr);
  EXPECT_NE(game.app.CurrentMenu(), nullptr);
}

TEST_F(AppSequence, EscInTheMenuEndsTheProgram) {
  ToMenu();
  game.device.PushKey(vk::kEscape);
  EXPECT_TRUE(game.Pass());
}

TEST_F(AppSequence, TheExitEntryEndsTheProgramInTheStepOfTheChoice) {
  ToMenu();
  EXPECT_FALSE(game.Press(vk::kDown));
  EXPECT_FALSE(game.Press(vk::kDown));
  const std::size_t frames = game.device.FrameCount();
  game.device.PushKey(vk::kEnter);
  EXPECT_TRUE(game.Pass());
  EXPECT_EQ(game.device.FrameCount(), frames);  // no frame after the choice
}

TEST_F(AppSequence, MenuKeysThatAreNotRoutedChangeNothing) {
  ToMenu();
  for (std::uint16_t key : {vk::kLeft, vk::kRight, vk::kA, vk::kD, vk::kS, vk::kW}) {
    EXPECT_FALSE(game.Press(key));
  }
  game.device.Push(MakeKeyRecord(vk::kDown, false));  // key-ups without a match
  game.Pass();
  EXPECT_EQ(game.app.CurrentMenu()->Choice(), -1);
  game.device.PushKey(vk::kSpace);  // Space chooses the highlighted entry: the fight
  game.Pass();
  EXPECT_NE(game.app.CurrentMatch(), nullptr);
}

TEST_F(AppSequence, EnterStartsAMatchAndEscReturnsToAFreshMenu) {
  ToMenu();
  game.device.PushKey(vk::kEnter);
  game.Pass();
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  EXPECT_EQ(game.app.CurrentMenu(), nullptr);
  EXPECT_TRUE(game.app.CurrentMatch()->AiEnabled());
  game.Pass();
  game.device.PushKey(vk::kEscape);  // leaves the match, not the program
  EXPECT_FALSE(game.Pass());
  EXPECT_EQ(game.app.CurrentMatch(), nullptr);
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  EXPECT_EQ(game.app.CurrentMenu()->Choice(), -1);
}

TEST_F(AppSequence, SpaceInAMatchTogglesTheAiAndTheFlagOutlivesTheMatch) {
  ToMenu();
  game.Press(vk::kEnter);
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  game.Press(vk::kSpace);
  EXPECT_FALSE(game.app.AiEnabled());
  EXPECT_FALSE(game.app.CurrentMatch()->AiEnabled());
  game.Press(vk::kEnter);  // ignored in a match
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  game.Press(vk::kEscape);
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  game.Press(vk::kEnter);
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
  EXPECT_FALSE(game.app.CurrentMatch()->AiEnabled());
  game.Press(vk::kSpace);
  EXPECT_TRUE(game.app.CurrentMatch()->AiEnabled());
}

TEST_F(AppSequence, TheInformationEntryOpensTheViewerAndEscReturnsToTheMenu) {
  ToMenu();
  game.Press(vk::kDown);
  game.Press(vk::kEnter);
  ASSERT_NE(game.app.CurrentReadme(), nullptr);
  game.device.PushKey(vk::kEscape);
  EXPECT_FALSE(game.Pass());  // Esc never ends the program from the viewer
  EXPECT_EQ(game.app.CurrentReadme(), nullptr);
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  EXPECT_EQ(game.app.CurrentMenu()->Choice(), -1);
}

}  // namespace
}  // namespace torvelkan
