// The game on a terminal of 80 x 24, as most terminals open: the half view,
// two grid rows in each terminal row, from the notice through the menu, a
// fight and the whole readme; and the view following the terminal when it
// grows to 50 rows and shrinks back.
#include <chrono>
#include <string>

#include "e2e/arena_view.h"
#include "e2e/game_in_terminal.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::seconds;

// The menu's box in the half view: its title on row 10 and its entries on
// rows 11 to 13, the first one marked.
bool HalfMenu(const Screen& s) {
  return s.Text(10, 36, 9) == "Torvelkan" && s.Text(11, 33, 5) == "> Gra" &&
         s.Text(12, 35, 10) == "Informacje" && s.Text(13, 35, 7) == "Wyjscie";
}

// How many rows hold the text.
int RowsWith(const Screen& s, const std::string& text) {
  int rows = 0;
  for (const std::string& line : s.lines) {
    rows += line.find(text) != std::string::npos ? 1 : 0;
  }
  return rows;
}

class HalfView : public GameInTerminal {
 protected:
  HalfView() : GameInTerminal(80, 24) {}

  void Resize(int rows) {
    TmuxSession::Host(tmux.Tmux() + " resize-window -t t -x 80 -y " + std::to_string(rows));
  }

  // From the notice on row 12 through the logo to the menu.
  void GoToHalfMenu() {
    Screen screen;
    ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(12, 35, 11) == "Alt + Enter"; },
                             seconds(10), &screen))
        << screen.Dump();
    ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return !s.Contains("Alt + Enter"); },
                             seconds(15), &screen))
        << screen.Dump();
    tmux.Keys({"x"});
    ASSERT_TRUE(tmux.WaitFor(HalfMenu, seconds(10), &screen)) << screen.Dump();
  }
};

TEST_F(HalfView, ANewPlayerGoesFromTheNoticeToAFightAndReadsTheWholeReadme) {
  // The long guess of releases: a tap of Left walks far enough to be seen.
  StartGame(SourceDir(), "--smooth-holds");
  GoToHalfMenu();

  // Gra: both fighters whole, the counters, and the health numbers on the
  // top row over the bars.
  tmux.Keys({"Enter"});
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) {
        return s.Contains("Get Ready") && BodyOf(s, kBlueBody).cells > 0 &&
               BodyOf(s, kRedBody).cells > 0;
      },
      seconds(10), &screen, true))
      << screen.Dump();
  EXPECT_EQ(screen.Text(0, 37, 6), "100100") << screen.Dump();
  EXPECT_EQ(screen.Text(0, 75, 1), "0") << "the AI's memory\n" << screen.Dump();
  EXPECT_EQ(screen.Text(0, 77, 2), "AI") << screen.Dump();
  EXPECT_EQ(screen.Text(0, 23, 1), "0") << "the particles' counter\n" << screen.Dump();
  EXPECT_EQ(screen.Text(0, 56, 1), "0") << "the shots' counter\n" << screen.Dump();
  const Body red = BodyOf(screen, kRedBody);
  const Body blue = BodyOf(screen, kBlueBody);
  EXPECT_LT(blue.column, 40);
  EXPECT_GT(red.column, 40);
  // Standing on the floor: the last rows of the fighters are on row 23.
  EXPECT_EQ(screen.At(23, blue.column).foreground, kBlueBody) << screen.Dump();
  EXPECT_EQ(screen.At(23, red.column).foreground, kRedBody) << screen.Dump();

  // Red walks left once the countdown is over.
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return !s.Contains("Get Ready"); }, seconds(10),
                           &screen, true))
      << screen.Dump();
  const int before = BodyOf(screen, kRedBody).column;
  // Tapped again if a stall of the game let a tap's guessed release come
  // before it had walked.
  ASSERT_TRUE(tmux.TapUntil(
      "Left",
      [before](const Screen& s) {
        const Body body = BodyOf(s, kRedBody);
        return body.cells > 0 && body.column <= before - 5;
      },
      8, seconds(2), &screen, true))
      << screen.Dump();

  // The readme: its lines at full height from row 1, every one of them
  // reached with Down, down to the empty line after the last CR LF.
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(HalfMenu, seconds(10), &screen)) << screen.Dump();
  tmux.Keys({"Down", "Enter"});
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) {
        return s.Text(1, 0, 53) == "TORVELKAN - pojedynek dwoch zarlocznych kul na arenie" &&
               s.Text(2, 0, 5) == "=====";
      },
      seconds(10), &screen))
      << screen.Dump();
  for (int i = 0; i < 10; ++i) {
    tmux.Keys(std::vector<std::string>(10, "Down"));
  }
  ASSERT_TRUE(
      tmux.WaitFor([](const Screen& s) { return s.Text(22, 0, 21) == "Zyczymy milej zabawy!"; },
                   seconds(10), &screen))
      << screen.Dump();
  EXPECT_EQ(screen.Text(23, 0, 80), std::string(80, ' ')) << screen.Dump();
  // It stops there; Up moves the text down a line.
  tmux.Keys({"Down", "Down", "Up"});
  ASSERT_TRUE(
      tmux.WaitFor([](const Screen& s) { return s.Text(23, 0, 21) == "Zyczymy milej zabawy!"; },
                   seconds(10), &screen))
      << screen.Dump();

  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(HalfMenu, seconds(10), &screen)) << screen.Dump();
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

TEST_F(HalfView, GrowingToFiftyRowsAndBackSwitchesTheViewWithNothingLeftOver) {
  StartGame();
  GoToHalfMenu();
  Screen screen;
  for (int round = 0; round < 2; ++round) {
    Resize(50);
    ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
    EXPECT_EQ(screen.Text(19, 30, 21), std::string(21, '-')) << screen.Dump();
    EXPECT_EQ(screen.Text(31, 30, 21), std::string(21, '-')) << screen.Dump();
    EXPECT_EQ(RowsWith(screen, "Torvelkan"), 1) << screen.Dump();
    EXPECT_EQ(RowsWith(screen, "---------------------"), 2) << screen.Dump();

    Resize(24);
    ASSERT_TRUE(tmux.WaitFor(HalfMenu, seconds(10), &screen)) << screen.Dump();
    EXPECT_EQ(screen.lines.size(), 24u);
    EXPECT_EQ(RowsWith(screen, "Torvelkan"), 1) << screen.Dump();
    EXPECT_EQ(RowsWith(screen, "---------------------"), 2) << screen.Dump();
    EXPECT_EQ(screen.Text(9, 30, 21), std::string(21, '-')) << screen.Dump();
    EXPECT_EQ(screen.Text(15, 30, 21), std::string(21, '-')) << screen.Dump();
  }
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

}  // namespace
}  // namespace torvelkan::e2e
