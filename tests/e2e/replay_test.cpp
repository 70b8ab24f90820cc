// A session recorded in a real terminal and watched again: the notice, the
// menu, a fight of red against the AI and against a second person, and the
// readme. The replay shows the same still screens, cell for cell and colour
// for colour, at about the same moments, and ends on the same last screen.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/arena_view.h"
#include "e2e/game_in_terminal.h"

namespace torvelkan::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

bool SameCells(const Screen& a, const Screen& b) {
  if (a.cells.size() != b.cells.size()) {
    return false;
  }
  for (std::size_t r = 0; r < a.cells.size(); ++r) {
    const auto& x = a.cells[r];
    const auto& y = b.cells[r];
    if (x.size() != y.size()) {
      return false;
    }
    for (std::size_t c = 0; c < x.size(); ++c) {
      // A blank shows only its background: the terminal may hold any
      // foreground there, whatever pen the frames before left it.
      const bool blank = x[c].glyph == " " || x[c].glyph.empty();
      if (x[c].glyph != y[c].glyph || (!blank && x[c].foreground != y[c].foreground) ||
          x[c].background != y[c].background) {
        return false;
      }
    }
  }
  return true;
}

// A screen seen in the live game, and when, from the game's start.
struct Moment {
  std::string name;
  Screen screen;
  Clock::duration at;
};

class Replay : public GameInTerminal {
 public:
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

 protected:
  Replay()
      : file((std::filesystem::temp_directory_path() /
              ("torvelkan-e2e-replay-" + std::to_string(::getpid()) + "-" +
               std::to_string(Clock::now().time_since_epoch().count()) + ".tvr"))
                 .string()) {}
  ~Replay() override { std::filesystem::remove(file); }

  // Waits for a screen that passes ready and then stays the same, cell for
  // cell, for 300 ms: one a replay cannot pass by between two captures.
  bool Settled(const std::function<bool(const Screen&)>& ready, Screen& screen,
               seconds timeout = seconds(10)) {
    Screen held;
    bool holding = false;
    Clock::time_point since;
    return tmux.WaitFor(
        [&](const Screen& s) {
          if (!ready(s)) {
            holding = false;
            return false;
          }
          if (!holding || !SameCells(s, held)) {
            held = s;
            holding = true;
            since = Clock::now();
            return false;
          }
          return Clock::now() - since >= milliseconds(300);
        },
        timeout, &screen, true);
  }

  // Presses a key in the fight and waits for the game to show it taken: a
  // red key (an arrow) is one more situation in the AI's memory, a blue one
  // (W, A, S, D) moves blue. The terminal never reports the release, so a
  // blue tap may come to nothing when the game is kept waiting right after
  // it; such a tap is pressed again, a bounded number of times.
  void Press(const std::string& key) {
    const Screen before = tmux.Capture(true);
    const int situations = AiCounter(before);
    const Body blue = BodyOf(before, kBlueBody);
    const bool red = key.size() > 1;  // tmux names the arrows, "Left" and the like
    const auto taken = [&](const Screen& s) {
      if (red) {
        return AiCounter(s) > situations;
      }
      const Body now = BodyOf(s, kBlueBody);
      return now.column != blue.column || now.bottom != blue.bottom;
    };
    Screen screen;
    ASSERT_TRUE(red ? tmux.TapUntil(key, taken, 1, seconds(10), &screen, true)
                    : tmux.TapUntil(key, taken, 8, seconds(2), &screen, true))
        << key << " was not taken\nbefore:\n"
        << before.Dump() << "after:\n"
        << screen.Dump();
  }

  void Note(const std::string& name, const Screen& screen) {
    moments.push_back({name, screen, Clock::now() - started});
  }

  std::string file;
  std::vector<Moment> moments;
  Clock::time_point started;
};

bool Notice(const Screen& s) { return s.Text(25, 35, 11) == "Alt + Enter"; }
bool FightersDown(const Screen& s) {
  return s.Contains("Get Ready") && s.At(34, 24).background == 1;
}

TEST_F(Replay, ARecordedSessionPlaysAgainToTheSameScreens) {
  started = Clock::now();
  StartGame(SourceDir(), "--record " + ShellQuote(file));
  Screen screen;

  // The notice once the frame counter shows a count.
  ASSERT_TRUE(
      Settled([](const Screen& s) { return Notice(s) && s.Text(0, 1, 5) != "0 fps"; }, screen))
      << screen.Dump();
  Note("notice", screen);
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return !Notice(s); }, seconds(10), &screen));
  tmux.Keys({"x"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();

  // A fight against the AI, then against a person on W, A, S, D.
  tmux.Keys({"Enter"});
  ASSERT_TRUE(Settled(FightersDown, screen)) << screen.Dump();
  Note("get ready", screen);
  ASSERT_TRUE(
      tmux.WaitFor([](const Screen& s) { return !s.Contains("Get Ready"); }, seconds(10), &screen))
      << screen.Dump();
  for (const char* key : {"Left", "Down", "Up", "Right", "Down"}) {
    ASSERT_NO_FATAL_FAILURE(Press(key));
  }
  // Blue to the person, who walks and jumps with red; then all stand still.
  tmux.Keys({"Space"});
  for (const char* key : {"d", "Left", "w", "Up", "a", "d"}) {
    ASSERT_NO_FATAL_FAILURE(Press(key));
  }
  ASSERT_TRUE(Settled([](const Screen& s) { return s.Text(0, 74, 6) != " 0 AI "; }, screen))
      << screen.Dump();
  Note("fight", screen);
  tmux.Keys({"Space"});  // the AI again, for a stretch of play the recording holds too
  std::this_thread::sleep_for(milliseconds(300));
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();

  // The readme, one line down: the last screen.
  tmux.Keys({"Down", "Enter"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(2, 0, 9) == "TORVELKAN"; },
                           seconds(10), &screen))
      << screen.Dump();
  tmux.Keys({"Down"});
  ASSERT_TRUE(Settled([](const Screen& s) { return s.Text(2, 0, 5) == "====="; }, screen))
      << screen.Dump();
  Note("readme", screen);

  // The game ends by SIGTERM just after its frame counter changed and the
  // frame has settled, so that the screen seen then is the last frame it
  // drew. On its steady schedule the counter stays at 499 once it has shown a
  // whole second, and then the readme's screen does not change at all.
  const std::string counter = screen.Text(0, 0, 10);
  tmux.WaitFor([&counter](const Screen& s) { return s.Text(0, 0, 10) != counter; }, seconds(2),
               &screen);
  Screen last;
  ASSERT_TRUE(Settled([](const Screen&) { return true; }, last)) << last.Dump();
  Signal("TERM");
  ExpectTerminalBack(143);
  ASSERT_TRUE(std::filesystem::exists(file));
  const auto bytes = std::filesystem::file_size(file);
  EXPECT_LT(bytes, 4000u) << "about 20 s of play";
  RecordProperty("recording_bytes", std::to_string(bytes));

  // The replay: the game's keys do nothing, the title says what plays.
  started = Clock::now();
  tmux.Type(ShellQuote(GameBinary()) + " --replay " + ShellQuote(file));
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return Notice(s); }, seconds(10), &screen));
  EXPECT_EQ(tmux.Display("#{pane_title}"), "Torvelkan (replay)");
  tmux.Keys({"Enter", "d", "Up"});  // the game's keys, which do nothing here
  for (const Moment& moment : moments) {
    ASSERT_TRUE(tmux.WaitFor([&moment](const Screen& s) { return SameCells(s, moment.screen); },
                             seconds(15), &screen, true))
        << moment.name << ", live:\n"
        << moment.screen.Dump() << "replayed:\n"
        << screen.Dump();
    const auto late = std::chrono::duration_cast<milliseconds>(Clock::now() - started - moment.at);
    EXPECT_LT(std::abs(late.count()), 2500)
        << moment.name << " shown " << late.count() << " ms later than live";
  }
  ASSERT_TRUE(tmux.WaitFor(
      [this](const Screen&) {
        return tmux.Display("#{pane_title}") == "Torvelkan (replay, ended)";
      },
      seconds(10), &screen));
  screen = tmux.Capture(true);
  EXPECT_TRUE(SameCells(screen, last)) << "live:\n"
                                       << last.Dump() << "replayed:\n"
                                       << screen.Dump();
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);

  // Cut short, it plays what is there (here at 8x) and says where it stopped.
  std::filesystem::resize_file(file, bytes * 2 / 3);
  tmux.Type(ShellQuote(GameBinary()) + " --replay " + ShellQuote(file));
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return Notice(s); }, seconds(10), &screen));
  tmux.Keys({"Right", "Right", "Right"});
  ASSERT_TRUE(tmux.WaitFor(
      [this](const Screen&) {
        return tmux.Display("#{pane_title}") == "Torvelkan (replay, ended)";
      },
      seconds(20), &screen));
  tmux.Keys({"Escape"});
  const std::string size = " of " + std::to_string(bytes * 2 / 3) + ", ";
  std::string text;
  EXPECT_TRUE(tmux.WaitFor(
      [this, &text](const Screen&) {
        text = TmuxSession::Host(tmux.Tmux() + " capture-pane -p -J -t t");  // lines unwrapped
        return text.find(": cut short at byte ") != std::string::npos;
      },
      seconds(10)))
      << text;
  EXPECT_NE(text.find(size), std::string::npos) << text;
  ExpectTerminalBack(0);
}

}  // namespace
}  // namespace torvelkan::e2e
