// A browser player and a terminal player in one room of an arena server
// (--serve with its door for browsers): the terminal player starts a room,
// the browser joins it by its code through the page's lobby, each moves their
// own fighter and both screens show both moves; the server stopped tells the
// page too.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "e2e/arena_players.h"
#include "e2e/arena_process.h"
#include "e2e/arena_view.h"
#include "e2e/player_terminal.h"
#include "e2e/tmux_session.h"
#include "web/browser_page.h"
#include "web/devtools_pipe.h"

namespace torvelkan::web::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// The browser's key for a code's character: its place on a US keyboard and
// what it types.
void TypeCharacter(const Page& page, char c) {
  const bool digit = c >= '0' && c <= '9';
  const std::string code =
      digit ? std::string("Digit") + c : std::string("Key") + static_cast<char>(c - 'a' + 'A');
  page.Tap(code, std::string(1, c), digit ? c : c - 'a' + 'A');
}

TEST(BrowserArena, ABrowserAndATerminalPlayerInOneRoomMoveEachOthersFightersOnBothScreens) {
  const std::string chromium = TORVELKAN_CHROMIUM;
  if (access(chromium.c_str(), X_OK) != 0) {  // "" when none was found
    GTEST_SKIP() << "Chromium was not found (Debian's chromium package): the browser test is "
                    "skipped";
  }
  e2e::ArenaProcess server({"--web", "127.0.0.1:0"});
  ASSERT_GT(server.WebPort(), 0);
  e2e::Player red;
  ASSERT_NO_FATAL_FAILURE(
      EnterLobby(red, e2e::ShellQuote(e2e::GameBinary()) + " --online " + server.Endpoint()));
  std::string code;
  ASSERT_NO_FATAL_FAILURE(e2e::StartRoom(red, code));

  Chromium browser(chromium);
  ASSERT_TRUE(browser.Running() && browser.Error().empty()) << browser.Error();
  const std::string session =
      browser.Open("http://127.0.0.1:" + std::to_string(server.WebPort()) + "/", 1000, 1000);
  ASSERT_FALSE(session.empty()) << browser.Error();
  const Page page(browser, session);
  Grid grid;
  ASSERT_TRUE(page.WaitFor(
      [&](const Grid& g) { return g.Shows("Start a room") && page.Status().starts_with("In the"); },
      seconds(10), &grid))
      << page.Status() << "\n"
      << grid.Text();

  // Down to "Join a room by its code", the code as the terminal shows it, Enter.
  page.Tap("ArrowDown", "ArrowDown", 40);
  page.Tap("Enter", "Enter", 13);
  ASSERT_TRUE(
      page.WaitFor([](const Grid& g) { return g.Shows("The room's code:"); }, seconds(5), &grid))
      << grid.Text();
  for (const char c : code) {
    TypeCharacter(page, c);
  }
  page.Tap("Enter", "Enter", 13);
  ASSERT_TRUE(page.WaitFor([](const Grid& g) { return g.Shows("You are blue") && Fighting(g); },
                           seconds(10), &grid))
      << page.Status() << "\n"
      << grid.Text();
  e2e::Screen screen;
  ASSERT_TRUE(red.tmux.WaitFor(
      [](const e2e::Screen& s) { return e2e::RedWithBlueTaken(s) && e2e::Fighting(s); },
      seconds(10), &screen, true))
      << screen.Dump();

  // The browser's blue walks right, held 300 ms: on the page and on the
  // terminal's screen.
  const Body blueBefore = page.Settled(kBlueBody);
  const int blueOnTerminal = e2e::BodyOf(red.tmux.Capture(true), e2e::kBlueBody).column;
  page.Down("KeyD", "d", 68);
  std::this_thread::sleep_for(milliseconds(300));
  page.Up("KeyD", "d", 68);
  EXPECT_TRUE(page.WaitFor(
      [&](const Grid& g) { return BodyOf(g, kBlueBody).column >= blueBefore.column + 10; },
      seconds(3), &grid))
      << "blue from column " << blueBefore.column << "\n"
      << grid.Text();
  EXPECT_TRUE(red.tmux.WaitFor(
      [&](const e2e::Screen& s) {
        return e2e::BodyOf(s, e2e::kBlueBody).column >= blueOnTerminal + 10;
      },
      seconds(3), &screen, true))
      << "blue from column " << blueOnTerminal << "\n"
      << screen.Dump();

  // The terminal's red walks left: on the page too.
  const Body redBefore = page.Settled(kRedBody);
  e2e::Walk(red, "Left", e2e::kRedBody, -1, {&red});
  EXPECT_TRUE(page.WaitFor(
      [&](const Grid& g) { return BodyOf(g, kRedBody).column <= redBefore.column - 3; }, seconds(3),
      &grid))
      << "red from column " << redBefore.column << "\n"
      << grid.Text();

  // The server stopped: the page says so, as the terminal does.
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_TRUE(page.WaitFor(
      [&](const Grid&) {
        return page.Status().find("the server is stopping") != std::string::npos;
      },
      seconds(5)))
      << page.Status();
  red.ExpectBack(1, "the server is stopping");
}

}  // namespace
}  // namespace torvelkan::web::testing
