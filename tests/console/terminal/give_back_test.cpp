// Every way out of the terminal device, in a process of its own on a
// pseudo-terminal that it controls, against a terminal that answers like a
// kitty-protocol one, a win32-input-mode one or a Linux console (a fake of
// its keyboard-mode calls): whatever order stops, continues, resizes and
// kills come in, everything taken is given back exactly once (flags pushed
// and popped, win32-input-mode on and off, the console keyboard's mode,
// titles saved and restored, the screens, the cursor, bracketed paste, the
// modes), no key report reaches the shell, and the end is the one expected.
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill is POSIX's
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/keys.h"
#include "console/terminal/terminal_device.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using namespace std::chrono_literals;
using testing::FakeTerminal;
using testing::Responder;

constexpr const char* kAltScreenOn = "\x1b[?1049h";

// What the terminal is asked to do, and what undoes it.
const std::pair<const char*, const char*> kTakenAndGiven[] = {
    {"\x1b[22;0t", "\x1b[23;0t"},
    {kAltScreenOn, "\x1b[?1049l"},
    {"\x1b[?2004h", "\x1b[?2004l"},
    {"\x1b[?25l", "\x1b[?25h"},
};

// How the terminal reports keys.
enum class Speaks { kKitty, kWin32, kConsole };

// The Linux console's keyboard, faked in memory that the game's and the
// guardian's processes share with the test.
struct FakeConsole {
  int mode = kKeyboardUnicode;
  int toRaw = 0;    // switches to raw key codes
  int putBack = 0;  // switches back
};
FakeConsole* console = nullptr;
// The passes the game has finished, counted in memory it shares with the test.
std::atomic<int>* passes = nullptr;
int FakeGet(int /*fd*/, int* mode) {
  *mode = console->mode;
  return 0;
}
int FakeSet(int /*fd*/, int mode) {
  console->mode = mode;
  ++(mode == kKeyboardMediumRaw ? console->toRaw : console->putBack);
  return 0;
}

// The game's side: the device on the terminal it controls, a loop of passes
// until a quit, or an Esc, ends it (status 0).
[[noreturn]] void RunGame(const FakeTerminal& terminal, int guardianPipe, Speaks speaks,
                          bool lateAnswers) {
  TerminalDevice::Settings settings = terminal.Settings();
  settings.mustBeControllingTerminal = true;
  settings.endBySignal = true;
  settings.answerWaitMs = lateAnswers ? 200 : 1000;
  settings.keyboardCalls = {nullptr, nullptr, nullptr};  // no console
  if (speaks == Speaks::kConsole) {
    settings.keyboardCalls = {FakeGet, FakeSet, nullptr};
  }
  {
    TerminalDevice device(settings);
    const pid_t guardian = device.GuardianPid();
    [[maybe_unused]] const ssize_t sent = write(guardianPipe, &guardian, sizeof guardian);
    CellGrid grid{};
    bool escape = false;
    while (!device.QuitRequested() && !escape) {
      while (device.HasInput()) {
        InputRecord record{};
        device.ReadInput(record);
        escape = escape || (KeyCode(record) == vk::kEscape && IsKeyDown(record));
      }
      device.Present(grid);
      ++*passes;
      usleep(2000);
    }
  }
  _exit(0);
}

// A shell with job control, in a session of its own on the terminal: it runs
// the game as a job in the foreground, reports each of its stops and its end
// (the game's pid first), takes the terminal back when the game stops, and
// on 'f' puts it in the foreground again and continues it (fg); on 't' it
// takes the terminal (as after a launcher script stopped first).
[[noreturn]] void RunShell(const FakeTerminal& terminal, int statusPipe, int commandPipe,
                           int guardianPipe, Speaks speaks, bool lateAnswers) {
  setsid();
  ioctl(terminal.slave, TIOCSCTTY, 0);
  signal(SIGTTOU, SIG_IGN);
  int ready[2];
  if (pipe(ready) != 0) {
    _exit(1);
  }
  const pid_t game = fork();
  if (game == 0) {
    setpgid(0, 0);
    char go = 0;
    [[maybe_unused]] const ssize_t got = read(ready[0], &go, 1);
    signal(SIGTTOU, SIG_DFL);
    RunGame(terminal, guardianPipe, speaks, lateAnswers);
  }
  setpgid(game, game);
  tcsetpgrp(terminal.slave, game);
  [[maybe_unused]] const ssize_t went = write(ready[1], "g", 1);
  [[maybe_unused]] ssize_t sent = write(statusPipe, &game, sizeof game);
  for (;;) {
    int status = 0;
    if (waitpid(game, &status, WUNTRACED | WNOHANG) == game) {
      sent = write(statusPipe, &status, sizeof status);
      if (!WIFSTOPPED(status)) {
        _exit(0);
      }
      tcsetpgrp(terminal.slave, getpgrp());
    }
    pollfd in{commandPipe, POLLIN, 0};
    char command = 0;
    if (poll(&in, 1, 2) == 1 && read(commandPipe, &command, 1) == 1) {
      if (command == 'f') {
        tcsetpgrp(terminal.slave, game);
        kill(-game, SIGCONT);
      } else if (command == 't') {
        tcsetpgrp(terminal.slave, getpgrp());
      }
    }
  }
}

bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText;
  std::string name;
  std::string state;
  return !(stat >> pidText >> name >> state) || state == "Z";
}

template <typename T>
bool ReadWithin(int fd, T& value, std::chrono::milliseconds timeout = 5000ms) {
  pollfd in{fd, POLLIN, 0};
  return poll(&in, 1, static_cast<int>(timeout.count())) == 1 &&
         read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

struct Step {
  enum Kind { kSignal, kType, kStopped, kShell, kTakenTimes, kTakenExactly } kind;
  int number = 0;
  const char* bytes = "";
};
Step Send(int signal) { return {Step::kSignal, signal}; }
Step Type(const char* bytes) { return {Step::kType, 0, bytes}; }
Step Stopped(int signal) { return {Step::kStopped, signal}; }
Step Fg() { return {Step::kShell, 'f'}; }
Step ShellTakesTheTerminal() { return {Step::kShell, 't'}; }
Step TakenTimes(int times) { return {Step::kTakenTimes, times}; }
// Taken that many times, and no more once the game has come round its loop.
Step TakenExactly(int times) { return {Step::kTakenExactly, times}; }
constexpr const char* kEsc = "\x1b[27u";

struct Case {
  // cppcheck-suppress unusedStructMember ; it names the case, in CaseName
  const char* name;
  std::vector<Step> steps;
  int endSignal;  // 0: ends with status 0
  // Every key report the terminal sent after a pop was read away (not so
  // when the shell had the terminal already, or the game was killed).
  bool readAway = true;
  Speaks speaks = Speaks::kKitty;
  // The terminal answers the start's questions 500 ms late, after the wait.
  bool lateAnswers = false;
};

class GiveBack : public ::testing::TestWithParam<Case> {
 protected:
  GiveBack() {
    void* shared = mmap(nullptr, sizeof(FakeConsole), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    console = new (shared) FakeConsole;
    shared = mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE,
                  MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    passes = new (shared) std::atomic<int>(0);
  }
  ~GiveBack() override {
    munmap(console, sizeof(FakeConsole));
    console = nullptr;
    munmap(passes, sizeof(std::atomic<int>));
    passes = nullptr;
  }
};

// Waits for the game to finish two passes more: the one under way, and a
// whole one after it, whose signal service has acted on every signal that
// came before (a continue can retake the terminal once more).
bool GameSettled() {
  const int from = passes->load();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (passes->load() < from + 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  return passes->load() >= from + 2;
}

bool ConsoleInMode(int mode) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (console->mode != mode && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(2ms);
  }
  return console->mode == mode;
}

void ExpectTakenExactly(Responder& responder, const FakeTerminal& terminal, int times) {
  ASSERT_TRUE(responder.AwaitCount(kAltScreenOn, static_cast<std::size_t>(times)))
      << responder.Transcript();
  ASSERT_TRUE(GameSettled()) << "the game never came round its loop after the take";
  ASSERT_TRUE(responder.AwaitEverythingSent(terminal));
  EXPECT_EQ(responder.Count(kAltScreenOn), static_cast<std::size_t>(times));
}

// Asked for while nothing answered, turned off for good once kitty answered.
void ExpectWin32InputOffForGoodAfterLateAnswers(Responder& responder, const Case& c) {
  if (c.lateAnswers) {
    EXPECT_EQ(responder.Count("\x1b[?9001h"), 1u);
    EXPECT_EQ(responder.Count("\x1b[?9001l"), 1u);
  }
}

TEST_P(GiveBack, EverythingTakenIsGivenBackOnce) {
  const Case& c = GetParam();
  FakeTerminal terminal;
  const termios before = terminal.Modes();
  int status[2];
  int command[2];
  int guardianPipe[2];
  ASSERT_EQ(pipe(status), 0);
  ASSERT_EQ(pipe(command), 0);
  ASSERT_EQ(pipe(guardianPipe), 0);
  const pid_t shell = fork();
  ASSERT_GE(shell, 0);
  if (shell == 0) {
    RunShell(terminal, status[1], command[0], guardianPipe[1], c.speaks, c.lateAnswers);
  }
  close(status[1]);
  close(command[0]);
  close(guardianPipe[1]);
  Responder responder(terminal, {.kitty = c.speaks == Speaks::kKitty,
                                 .lateRelease = true,
                                 .firstAnswerAfter = c.lateAnswers ? 500ms : 0ms});
  pid_t game = -1;
  pid_t guardian = -1;
  ASSERT_TRUE(ReadWithin(status[0], game));
  // A case that fails half-way must not leave the shell and the game running.
  struct Reaper {
    pid_t shell;
    pid_t game;
    void Forget() { shell = 0; }  // waited for: nothing left to reap
    ~Reaper() {
      if (game > 0 && shell > 0) {
        kill(game, SIGKILL);
        kill(shell, SIGKILL);
        waitpid(shell, nullptr, 0);
      }
    }
  } reaper{shell, game};
  ASSERT_TRUE(ReadWithin(guardianPipe[0], guardian));
  ASSERT_GT(guardian, 0) << "the guardian was started";
  // The keyboard's own way of reporting keys, and what undoes it.
  std::pair<const char*, const char*> keyboard{"\x1b[>15u", "\x1b[<u"};
  if (c.speaks == Speaks::kWin32) {
    keyboard = {"\x1b[?9001h", "\x1b[?9001l"};
  }
  if (c.speaks == Speaks::kConsole) {
    ASSERT_TRUE(ConsoleInMode(kKeyboardMediumRaw)) << "the console keyboard taken";
  } else {
    ASSERT_TRUE(responder.AwaitCount(keyboard.first, 1)) << "keys reported";
  }
  ASSERT_TRUE(GameSettled()) << "the game never came round its loop";

  int got = 0;
  for (const Step& step : c.steps) {
    switch (step.kind) {
      case Step::kSignal: kill(game, step.number); break;
      case Step::kType: terminal.Type(step.bytes); break;
      case Step::kShell: {
        const char letter = static_cast<char>(step.number);
        ASSERT_EQ(write(command[1], &letter, 1), 1);
        break;
      }
      case Step::kStopped:
        ASSERT_TRUE(ReadWithin(status[0], got)) << "no stop";
        ASSERT_TRUE(WIFSTOPPED(got)) << got;
        ASSERT_EQ(WSTOPSIG(got), step.number);
        if (c.speaks == Speaks::kConsole && step.number == SIGTSTP) {
          EXPECT_EQ(console->mode, kKeyboardUnicode) << "the keyboard given back before the stop";
        }
        break;
      case Step::kTakenTimes:
        ASSERT_TRUE(responder.AwaitCount(kAltScreenOn, static_cast<std::size_t>(step.number)))
            << responder.Transcript();
        ASSERT_TRUE(GameSettled()) << "the game never came round its loop after the take";
        break;
      case Step::kTakenExactly: ExpectTakenExactly(responder, terminal, step.number); break;
    }
  }
  ASSERT_TRUE(ReadWithin(status[0], got)) << "no end";
  if (c.endSignal == 0) {
    EXPECT_TRUE(WIFEXITED(got) && WEXITSTATUS(got) == 0) << got;
  } else {
    EXPECT_TRUE(WIFSIGNALED(got) && WTERMSIG(got) == c.endSignal) << got;
  }
  int shellStatus = 0;
  EXPECT_EQ(waitpid(shell, &shellStatus, 0), shell);
  reaper.Forget();
  close(status[0]);
  close(command[1]);
  close(guardianPipe[0]);

  // The guardian is gone with the game (having given back, after a kill).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!Gone(guardian) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_TRUE(Gone(guardian));
  ASSERT_TRUE(responder.AwaitEverythingSent(terminal)) << "the last bytes reach the transcript";
  const std::string transcript = responder.Transcript();
  for (const auto& [taken, given] : kTakenAndGiven) {
    EXPECT_EQ(responder.Count(taken), responder.Count(given)) << "for " << given;
    EXPECT_GE(responder.Count(taken), 1u) << "for " << given;
  }
  if (c.speaks == Speaks::kConsole) {
    EXPECT_EQ(console->mode, kKeyboardUnicode);
    EXPECT_EQ(console->toRaw, console->putBack) << "the console keyboard given back each time";
    EXPECT_GE(console->toRaw, 1);
    EXPECT_EQ(responder.Count("\x1b[?9001h"), 0u);
  } else {
    EXPECT_EQ(responder.Count(keyboard.first), responder.Count(keyboard.second))
        << "for " << keyboard.second;
    EXPECT_GE(responder.Count(keyboard.first), 1u) << "for " << keyboard.second;
    EXPECT_EQ(console->toRaw, 0);
  }
  ExpectWin32InputOffForGoodAfterLateAnswers(responder, c);
  const termios after = terminal.Modes();
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  if (c.readAway) {
    // Echoed, a late key report would show here.
    EXPECT_EQ(transcript.find("^["), std::string::npos) << "a key report reached the shell";
  }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    WaysOut, GiveBack,
    ::testing::Values(
        Case{"Esc", {Type(kEsc)}, 0}, Case{"CtrlCReport", {Type("\x1b[99;5u")}, SIGINT},
        Case{"Sigterm", {Send(SIGTERM)}, SIGTERM},
        Case{"CtrlZThenFg", {Send(SIGTSTP), Stopped(SIGTSTP), Fg(), TakenTimes(2), Type(kEsc)}, 0},
        Case{"CtrlZReportThenFg",
             {Type("\x1b[122;5u"), Stopped(SIGTSTP), Fg(), TakenTimes(2), Type(kEsc)},
             0},
        // The shell has the terminal before the game gives it back, as when a
        // launcher script stopped first: the game must still stop by Ctrl+Z.
        Case{"CtrlZAfterTheShellTookTheTerminal",
             {ShellTakesTheTerminal(), Send(SIGTSTP), Stopped(SIGTSTP), Fg(), TakenTimes(2),
              Type(kEsc)},
             0,
             false},
        Case{"StopThenFg", {Send(SIGSTOP), Stopped(SIGSTOP), Fg(), TakenTimes(2), Type(kEsc)}, 0},
        // Continued in the background, it waits for the foreground to take over.
        Case{"StopThenContinueThenFg",
             {Send(SIGSTOP), Stopped(SIGSTOP), Send(SIGCONT), Stopped(SIGTTOU), Fg(), TakenTimes(2),
              Type(kEsc)},
             0,
             false},
        // The take-over that fg let go on is the last: a second one would
        // throw away a key typed between the two.
        Case{"StopThenContinueThenFgTakesOverOnce",
             {Send(SIGSTOP), Stopped(SIGSTOP), Send(SIGCONT), Stopped(SIGTTOU), Fg(),
              TakenExactly(2), Type(kEsc)},
             0,
             false},
        Case{"TtouAndTtinFromOutside",
             {Send(SIGTTOU), Stopped(SIGTTOU), Fg(), TakenTimes(2), Send(SIGTTIN), Stopped(SIGTTIN),
              Fg(), TakenTimes(3), Send(SIGTERM)},
             SIGTERM},
        Case{"ResizeStopCtrlZFg",
             {Send(SIGWINCH), Send(SIGSTOP), Stopped(SIGSTOP), Send(SIGTSTP), Fg(), TakenTimes(2),
              Send(SIGWINCH), Type(kEsc)},
             0},
        Case{"ContinueWhileRunning", {Send(SIGCONT), TakenTimes(2), Send(SIGHUP)}, SIGHUP},
        Case{"CtrlZThenTermWhileStopped",
             {Send(SIGTSTP), Stopped(SIGTSTP), Send(SIGTERM), Fg()},
             SIGTERM},
        Case{"Sigkill", {Send(SIGKILL)}, SIGKILL, false},
        Case{"SigkillWhileStoppedByCtrlZ",
             {Send(SIGTSTP), Stopped(SIGTSTP), Send(SIGKILL)},
             SIGKILL,
             false},
        Case{"SigkillAfterAStop",
             {Send(SIGSTOP), Stopped(SIGSTOP), Fg(), TakenTimes(2), Send(SIGKILL)},
             SIGKILL,
             false},
        Case{"Crash", {Send(SIGSEGV)}, SIGSEGV},
        // Ctrl+C goes by the letter the layout types: Dvorak's C sits where
        // I is, and the key where C is types J.
        Case{"CtrlReportWhereCIsTypingJ", {Type("\x1b[106::99;5u"), Type(kEsc)}, 0},
        Case{"CtrlCReportWhereTheLayoutTypesC", {Type("\x1b[99::105;5u")}, SIGINT}),
    CaseName);

// A kitty-protocol terminal that answers after the wait, as while it is still
// starting: win32-input-mode, asked for meanwhile, goes off again, and every
// way out pops the flags pushed late.
INSTANTIATE_TEST_SUITE_P(
    LateAnswerWaysOut, GiveBack,
    ::testing::Values(Case{"CtrlZThenFg",
                           {Send(SIGTSTP), Stopped(SIGTSTP), Fg(), TakenTimes(2), Type(kEsc)},
                           0,
                           true,
                           Speaks::kKitty,
                           true},
                      Case{"Sigterm", {Send(SIGTERM)}, SIGTERM, true, Speaks::kKitty, true},
                      Case{"Sigkill", {Send(SIGKILL)}, SIGKILL, false, Speaks::kKitty, true}),
    CaseName);

// A terminal that takes win32-input-mode (its key-ups can be on their way
// when the mode is turned off, as the kitty protocol's after the pop).
constexpr const char* kWin32Esc = "\x1b[27;1;27;1;0;1_";
INSTANTIATE_TEST_SUITE_P(
    Win32WaysOut, GiveBack,
    ::testing::Values(
        Case{"Esc", {Type(kWin32Esc)}, 0, true, Speaks::kWin32},
        Case{"CtrlCReport", {Type("\x1b[67;46;3;1;8;1_")}, SIGINT, true, Speaks::kWin32},
        Case{"CtrlZReportThenFg",
             {Type("\x1b[90;44;26;1;8;1_"), Stopped(SIGTSTP), Fg(), TakenTimes(2), Type(kWin32Esc)},
             0,
             true,
             Speaks::kWin32},
        Case{"Sigkill", {Send(SIGKILL)}, SIGKILL, false, Speaks::kWin32}),
    CaseName);

// The Linux console's raw keyboard: key codes, Esc's is 1 (0x81 its
// release), the left Ctrl's 29, C's 46 and Z's 44.
INSTANTIATE_TEST_SUITE_P(
    ConsoleWaysOut, GiveBack,
    ::testing::Values(Case{"Esc", {Type("\x01\x81")}, 0, true, Speaks::kConsole},
                      Case{"CtrlC", {Type("\x1d\x2e")}, SIGINT, true, Speaks::kConsole},
                      Case{"CtrlZThenFg",
                           {Type("\x1d\x2c"), Stopped(SIGTSTP), Fg(), TakenTimes(2), Type("\x01")},
                           0,
                           true,
                           Speaks::kConsole},
                      Case{"StopThenFg",
                           {Send(SIGSTOP), Stopped(SIGSTOP), Fg(), TakenTimes(2), Type("\x01")},
                           0,
                           true,
                           Speaks::kConsole},
                      Case{"ContinueWhileRunning",
                           {Send(SIGCONT), TakenTimes(2), Send(SIGHUP)},
                           SIGHUP,
                           true,
                           Speaks::kConsole},
                      Case{"Sigkill", {Send(SIGKILL)}, SIGKILL, false, Speaks::kConsole},
                      Case{"SigkillWhileStoppedByCtrlZ",
                           {Send(SIGTSTP), Stopped(SIGTSTP), Send(SIGKILL)},
                           SIGKILL,
                           false,
                           Speaks::kConsole},
                      Case{"Crash", {Send(SIGSEGV)}, SIGSEGV, true, Speaks::kConsole}),
    CaseName);

}  // namespace
}  // namespace torvelkan
