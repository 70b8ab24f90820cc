// Every byte the terminal device sends to take the terminal over, to take it
// over again after a continue, and to give it back, in order, for each kind
// of terminal it meets: written out by hand, so that no rearranging of how
// the device builds them can change one byte.
#include <signal.h>  // NOLINT(modernize-deprecated-headers): raise is POSIX's

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "console/terminal/terminal_device.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using testing::Answerer;
using testing::FakeTerminal;

// The alternate screen, the old title saved, no cursor, no line wrap, the
// screen cleared in the default colours; then bracketed paste.
const std::string kEnter = "\x1b[?1049h\x1b[22;0t\x1b[?25l\x1b[?7l\x1b[0m\x1b[2J\x1b[?2004h";
// Bracketed paste off, the default colours, line wrap, the cursor, the
// ordinary screen and the old title back.
const std::string kLeave = "\x1b[?2004l\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l\x1b[23;0t";
// The kitty flags? Synchronized output? The device attributes; please be 80 x 50
// (asked of a terminal that has 50 rows already, or where the full view is
// chosen: a shorter one gets the half view instead).
const std::string kAsked = "\x1b[?u\x1b[?2026$p\x1b[c";
const std::string kQuestions = kAsked + "\x1b[8;50;80t";
const std::string kTitle = "\x1b]2;Torvelkan: a test\x1b\\";

// The Linux console's keyboard, faked.
int consoleMode = kKeyboardUnicode;
int FakeGet(int /*fd*/, int* mode) {
  *mode = consoleMode;
  return 0;
}
int FakeSet(int /*fd*/, int mode) {
  consoleMode = mode;
  return 0;
}

struct Case {
  const char* name;
  bool kitty;
  bool attributes;
  bool synchronized;
  bool console;  // a Linux console whose raw keyboard the device takes
  ViewChoice view;
  int columns;
  int rows;
  std::string start;   // from the start to the end of the questions' wait
  std::string retake;  // after a continue, with a title set
  std::string end;     // the give-back
};

TEST(TerminalBytes, TakenOverAndGivenBackByteForByte) {
  const Case cases[] = {
      {"kitty with synchronized output", true, true, true, false, ViewChoice::kAuto, 80, 50,
       kEnter + kQuestions + "\x1b[>15u",
       "\x1b[?2026l\x1b[<u" + kLeave + kEnter + "\x1b[>15u" + kTitle,
       "\x1b[?2026l\x1b[<u" + kLeave},
      {"win32-input-mode asked of an ordinary terminal", false, true, false, false,
       ViewChoice::kAuto, 80, 50, kEnter + kQuestions + "\x1b[?9001h",
       "\x1b[?9001l" + kLeave + kEnter + "\x1b[?9001h" + kTitle, "\x1b[?9001l" + kLeave},
      {"a silent terminal too small", false, false, false, false, ViewChoice::kAuto, 70, 40,
       kEnter + "\x1b[0m\x1b[2J" + kAsked + "\x1b[?9001h",
       "\x1b[?9001l" + kLeave + kEnter + "\x1b[?9001h" + kTitle + "\x1b[0m\x1b[2J",
       "\x1b[?9001l" + kLeave},
      {"a Linux console", false, true, true, true, ViewChoice::kAuto, 80, 50, kEnter + kQuestions,
       "\x1b[?2026l" + kLeave + kEnter + kTitle, "\x1b[?2026l" + kLeave},
      {"an ordinary terminal of 80 x 30, not asked to grow", false, true, false, false,
       ViewChoice::kAuto, 80, 30, kEnter + "\x1b[0m\x1b[2J" + kAsked + "\x1b[?9001h",
       "\x1b[?9001l" + kLeave + kEnter + "\x1b[?9001h" + kTitle + "\x1b[0m\x1b[2J",
       "\x1b[?9001l" + kLeave},
      {"the same with the full view chosen", false, true, false, false, ViewChoice::kFull, 80, 30,
       kEnter + "\x1b[0m\x1b[2J" + kQuestions + "\x1b[?9001h",
       "\x1b[?9001l" + kLeave + kEnter + "\x1b[?9001h" + kTitle + "\x1b[0m\x1b[2J",
       "\x1b[?9001l" + kLeave},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTerminal terminal(c.columns, c.rows);
    TerminalDevice::Settings settings = terminal.Settings();
    settings.answerWaitMs = c.attributes ? 1000 : 0;
    settings.keyboardCalls = {nullptr, nullptr, nullptr};
    settings.view = c.view;
    if (c.console) {
      consoleMode = kKeyboardUnicode;
      settings.keyboardCalls = {FakeGet, FakeSet, nullptr};
    }
    std::unique_ptr<TerminalDevice> device;
    {
      Answerer answerer(terminal, c.kitty, c.attributes, c.synchronized);
      device = std::make_unique<TerminalDevice>(settings);
    }
    terminal.ReadAll();
    EXPECT_EQ(terminal.received, c.start);
    terminal.received.clear();

    device->SetTitle("Torvelkan: a test");
    terminal.ReadAll();
    EXPECT_EQ(terminal.received, kTitle);
    terminal.received.clear();

    raise(SIGCONT);  // continued after a stop it did not ask for: given back and taken again
    // cppcheck-suppress unreachableCode ; raise returns: the device only notes the signal
    device->HasInput();
    terminal.ReadAll();
    EXPECT_EQ(terminal.received, c.retake);
    terminal.received.clear();

    device.reset();
    terminal.ReadAll();
    EXPECT_EQ(terminal.received, c.end);
    EXPECT_EQ(consoleMode, kKeyboardUnicode);
  }
}

}  // namespace
}  // namespace torvelkan
