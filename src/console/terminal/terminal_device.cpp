// The console device for POSIX terminals.
#include "console/terminal/terminal_device.h"

#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "common/keys.h"
#include "common/tick.h"
#include "console/terminal/terminal_colours.h"
#include "console/terminal/terminal_signals.h"

namespace torvelkan {
namespace {

// The alternate screen, no cursor, no line wrap, the old title saved, the
// screen cleared in the default colours.
constexpr std::string_view kEnter = "\x1b[?1049h\x1b[22;0t\x1b[?25l\x1b[?7l\x1b[0m\x1b[2J";
// Undone in the opposite order.
constexpr std::string_view kLeave = "\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l\x1b[23;0t";
constexpr std::string_view kPopKeyboardFlags = "\x1b[<u";
// A paste comes between markers, to be thrown away whole rather than read as keys.
constexpr std::string_view kPasteOn = "\x1b[?2004h";
constexpr std::string_view kPasteOff = "\x1b[?2004l";
// Windows Terminal and its kin: report every key down and up, as the Windows
// console does. Other terminals ignore both.
constexpr std::string_view kWin32InputOn = "\x1b[?9001h";
constexpr std::string_view kWin32InputOff = "\x1b[?9001l";
// Does it speak the kitty keyboard protocol? Does it know synchronized output
// (mode 2026)? The device attributes request after them is answered by
// virtually every terminal, so its answer ends the wait.
constexpr std::string_view kQuestions = "\x1b[?u\x1b[?2026$p\x1b[c";
// Holds the terminal's picture until the frame between them is whole.
constexpr std::string_view kBeginFrame = "\x1b[?2026h";
constexpr std::string_view kEndFrame = "\x1b[?2026l";
// Please be 80 x 50 (terminals that do not take window requests ignore it).
constexpr std::string_view kAskForSize = "\x1b[8;50;80t";

bool IsTerminal(int fd) { return isatty(fd) == 1; }

// The terminal of this process's session: the one whose Ctrl+C, Ctrl+Z and
// resizes reach it.
bool IsControllingTerminal(int fd) {
  const pid_t session = tcgetsid(fd);
  return session != -1 && session == getsid(0);
}

termios RawModes(termios modes) {
  // No echo, no line editing; Ctrl+C and Ctrl+Z still signal.
  modes.c_lflag &= static_cast<tcflag_t>(~(ECHO | ICANON | IEXTEN));
  modes.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR | ISTRIP));
  // Output goes out as written: a line feed only moves down, which the frame
  // encoder counts on.
  modes.c_oflag &= static_cast<tcflag_t>(~OPOST);
  // The device polls before every read. Should a shell read the terminal
  // before the game has given it back (it may, when Ctrl+Z stopped a launcher
  // script first), it waits for a key rather than reading an end of input.
  modes.c_cc[VMIN] = 1;
  modes.c_cc[VTIME] = 0;
  return modes;
}

std::string SizeWarning(int columns, int rows) {
  char text[96];
  std::snprintf(text, sizeof text, "Torvelkan needs 80 x 50 cells, this terminal has %d x %d",
                columns, rows);
  std::string message = text;
  if (static_cast<int>(message.size()) > columns) {
    std::snprintf(text, sizeof text, "needs 80x50, has %dx%d", columns, rows);
    message = text;
  }
  return message;
}

}  // namespace

TerminalDevice::TerminalDevice() : TerminalDevice(Settings{}) {}

TerminalDevice::TerminalDevice(const Settings& given)
    : settings(given),
      guesser(given.smoothHolds ? GuessStyle::kSmoothHolds : GuessStyle::kShortTaps),
      vt(given.keyboardCalls) {
  if (!IsTerminal(settings.inputFd) || !IsTerminal(settings.outputFd)) {
    throw std::runtime_error(
        "the game needs a terminal: its input and output must not be redirected");
  }
  if (settings.mustBeControllingTerminal &&
      (!IsControllingTerminal(settings.inputFd) || !IsControllingTerminal(settings.outputFd))) {
    throw std::runtime_error("the terminal is not the game's controlling terminal");
  }
  if (tcgetattr(settings.inputFd, &saved) != 0) {
    throw std::runtime_error("the terminal's modes cannot be read");
  }
  if (settings.guarded) {
    guardian.Start(settings.inputFd, settings.outputFd);
  }
  terminal_signals::ClearQuitSignal();
  terminal_signals::TakeNoted();
  terminal_signals::Install();
  trueColour = settings.trueColour && SaysTrueColour(std::getenv("COLORTERM"));
  encoder.SetTrueColour(trueColour);
  Take();
  AskTheTerminal();
}

TerminalDevice::~TerminalDevice() {
  Give();
  guardian.Dismiss();
  terminal_signals::Uninstall();
  const int signal = terminal_signals::QuitSignal();
  if (signal != 0 && settings.endBySignal) {
    std::fflush(nullptr);
    ::signal(signal, SIG_DFL);
    raise(signal);
  }
}

std::string TerminalDevice::RestoreBytes() const {
  std::string bytes;
  if (synchronized) {
    bytes += kEndFrame;  // a frame cut short must not hold the picture
  }
  if (kitty) {
    bytes += kPopKeyboardFlags;
  }
  if (win32Asked) {
    bytes += kWin32InputOff;
  }
  bytes += kPasteOff;
  bytes += kLeave;
  return bytes;
}

// Everything that gives the terminal back, for the device, its signal
// handlers and the guardian alike.
RestorePlan TerminalDevice::Plan() const {
  RestorePlan plan;
  plan.saved = saved;
  plan.taken = takenModes;
  plan.SetBytes(RestoreBytes());
  // Key reports can be on their way only while the keyboard flags are pushed,
  // or win32-input-mode is on in a terminal that took it; elsewhere the flush
  // of the modes throws away whatever was typed.
  plan.drain = (kitty || win32Reports) && answersAttributes;
  // The Linux console's keyboard, while it reports raw key codes.
  plan.keyboardMode = vt.SavedMode();
  plan.keyboardFd = vt.Fd();
  plan.setKeyboardMode = vt.Calls().set;
  return plan;
}

void TerminalDevice::ArmRestore() {
  const RestorePlan plan = Plan();
  terminal_signals::Arm(settings.inputFd, settings.outputFd, plan, guardian.Socket());
  guardian.Arm(plan);
}

void TerminalDevice::Take() {
  // In the background this stops the game (SIGTTOU) until it is brought to
  // the foreground, before anything is sent.
  const termios raw = RawModes(saved);
  // Only where output processing is really off does a bare line feed only
  // move down; elsewhere the encoder does without it.
  encoder.SetBareLineFeeds(tcsetattr(settings.inputFd, TCSANOW, &raw) == 0);
  if (tcgetattr(settings.inputFd, &takenModes) != 0) {
    takenModes = raw;
  }
  taken = true;
  if (rawConsole) {
    TakeConsoleKeyboard();  // given back with the rest, and so taken again
  }
  ArmRestore();
  std::string bytes(kEnter);
  bytes += kPasteOn;
  if (win32Asked) {
    bytes += kWin32InputOn;
  }
  if (kitty) {
    bytes += "\x1b[>";
    bytes += std::to_string(kKittyFlags);
    bytes += "u";
  }
  if (!title.empty()) {
    bytes += "\x1b]2;" + title + "\x1b\\";
  }
  Send(bytes);
  ReadSize();
  encoder.Invalidate();
  sentOnce = false;
}

void TerminalDevice::Give() {
  if (!taken) {
    return;
  }
  taken = false;
  ReleaseEverything();
  // The console keyboard's mode went back with the rest of the plan.
  vt.GivenBack();
  terminal_signals::RestoreNow();  // the guardian is disarmed first
}

// After a stop the device did not ask for (SIGSTOP, SIGTTIN, SIGTTOU from
// outside, or a Ctrl+Z undone before it was acted on), whoever had the
// terminal meanwhile may have changed anything: give it back and take it over
// again, so that every push has its pop.
void TerminalDevice::Retake() {
  Give();
  if (terminal_signals::QuitSignal() == 0) {
    Take();
  }
}

void TerminalDevice::AskTheTerminal() {
  Send(std::string(kQuestions) + std::string(kAskForSize));
  const auto start = std::chrono::steady_clock::now();
  const auto limit = std::chrono::milliseconds(settings.answerWaitMs);
  bool flagsAnswered = false;
  bool attributesAnswered = false;
  std::vector<TerminalInput> early;
  while (!attributesAnswered) {
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited >= limit) {
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - waited).count();
    pollfd in{settings.inputFd, POLLIN, 0};
    const int ready = poll(&in, 1, static_cast<int>(std::max<long long>(1, left)));
    if (ready < 0 && errno != EINTR) {
      break;
    }
    if (ready <= 0) {
      continue;
    }
    unsigned char buffer[512];
    const ssize_t n = read(settings.inputFd, buffer, sizeof buffer);
    if (n <= 0) {
      continue;
    }
    decoded.clear();
    decoder.Feed(buffer, static_cast<std::size_t>(n), ReadTickCount(), decoded);
    for (const TerminalInput& input : decoded) {
      if (input.kind == TerminalInput::Kind::kKeyboardFlagsReply) {
        flagsAnswered = !attributesAnswered;
      } else if (input.kind == TerminalInput::Kind::kSynchronizedOutputReply) {
        synchronized = !attributesAnswered;
      } else if (input.kind == TerminalInput::Kind::kDeviceAttributesReply) {
        attributesAnswered = true;
        answersAttributes = true;
      } else {
        early.push_back(input);  // a key typed meanwhile is kept
      }
    }
  }
  // Armed before the push, as the take is armed before it is sent: should the
  // game die in between, a pop too many harms less than a push never popped.
  kitty = flagsAnswered;
  if (!kitty) {
    rawConsole = TakeConsoleKeyboard();
    // Asked only now, so that a terminal offering both keeps the kitty protocol.
    win32Asked = !rawConsole;
  }
  ArmRestore();
  if (kitty) {
    Send("\x1b[>" + std::to_string(kKittyFlags) + "u");
  } else if (win32Asked) {
    Send(std::string(kWin32InputOn));
  }
  for (const TerminalInput& input : early) {
    Translate(input, ReadTickCount());
  }
}

bool TerminalDevice::TakeConsoleKeyboard() {
  if (!vt.Take(settings.inputFd)) {
    return false;
  }
  // Key codes are bytes now: none of them may turn into a signal. The device
  // does what Ctrl+C and Ctrl+Z would have done.
  termios modes = RawModes(saved);
  modes.c_lflag &= static_cast<tcflag_t>(~ISIG);
  // Characters typed before the switch would read as key codes: dropped.
  tcsetattr(settings.inputFd, TCSAFLUSH, &modes);
  if (tcgetattr(settings.inputFd, &takenModes) != 0) {
    takenModes = modes;
  }
  // The caller arms the plan at once: the console's mode goes back with the rest.
  return true;
}

void TerminalDevice::ReadSize() {
  winsize size{};
  if (ioctl(settings.outputFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
  if (columns < kColumns || rows < kRows) {
    // The rest of the screen must not keep pieces of a larger frame.
    Send("\x1b[0m\x1b[2J");
  }
  encoder.SetVisibleArea(columns, rows);
  encoder.Invalidate();
}

void TerminalDevice::Suspend() {
  Give();
  // Continued since the Ctrl+Z (fg came before the game got here, the
  // launcher script that stopped with it already runs again): the stop is
  // over before it began, and stopping now would leave nobody to continue it.
  bool stop = !terminal_signals::TakeNoted().continuedLast;
  while (stop) {
    // Stop as the terminal would have stopped us; SIGCONT comes back here.
    struct sigaction ours {};
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(SIGTSTP, &standard, &ours);
    raise(SIGTSTP);
    // cppcheck-suppress unreachableCode ; raise returns once a stop is continued
    sigaction(SIGTSTP, &ours, nullptr);
    const terminal_signals::Noted noted = terminal_signals::TakeNoted();
    stop = noted.suspend && !noted.continuedLast;  // Ctrl+Z again after the continue
  }
  if (terminal_signals::QuitSignal() == 0) {
    Take();
  }
}

// What the signals asked for, acted on in the loop in one place.
void TerminalDevice::Service() {
  const terminal_signals::Noted noted = terminal_signals::TakeNoted();
  if (noted.suspend && !noted.continuedLast) {
    Suspend();
  } else if (noted.continued) {
    Retake();
  } else if (noted.resized && taken) {
    ReadSize();
  }
}

void TerminalDevice::Present(const CellGrid& cells) {
  Service();
  if (!taken) {
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (sentOnce && now - lastSend < kShortestSendGap) {
    return;  // the newest frame goes out with a later present
  }
  pollfd out{settings.outputFd, POLLOUT, 0};
  if (poll(&out, 1, 0) != 1 || (out.revents & POLLOUT) == 0) {
    return;  // the terminal is still busy: what differs goes out later
  }
  output.clear();
  if (synchronized) {
    output += kBeginFrame;
  }
  const std::size_t frameStart = output.size();
  if (columns < kColumns || rows < kRows) {
    encoder.Encode(WithSizeWarning(cells), output);
  } else {
    encoder.Encode(cells, output);
  }
  if (output.size() == frameStart) {
    output.clear();  // nothing changed: nothing to hold
  } else if (synchronized) {
    output += kEndFrame;
  }
  if (!output.empty() && !Send(output)) {
    encoder.Invalidate();
  }
  lastSend = now;
  sentOnce = true;
}

CellGrid TerminalDevice::WithSizeWarning(const CellGrid& cells) const {
  CellGrid shown = cells;
  const std::string message = SizeWarning(columns, rows);
  const int row = std::min(rows, kRows) - 1;
  const int width = std::min(columns, kColumns);
  for (int column = 0; column < width; ++column) {
    Cell& cell = shown[static_cast<std::size_t>(row * kColumns + column)];
    const std::size_t at = static_cast<std::size_t>(column);
    cell.Char.UnicodeChar = at < message.size() ? static_cast<unsigned char>(message[at]) : ' ';
    cell.Attributes = 0x4F;  // bright white on red
  }
  return shown;
}

bool TerminalDevice::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = write(settings.outputFd, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd out{settings.outputFd, POLLOUT, 0};
      if (poll(&out, 1, 100) > 0) {
        continue;
      }
    }
    bytesSent += sent;
    return false;
  }
  bytesSent += sent;
  return true;
}

// Reads everything the terminal has (up to a bound per pass), so that its
// input queue never fills up: a paste must not keep Esc or Ctrl+C, nor the
// line discipline's own Ctrl+C, waiting behind it.
void TerminalDevice::Pump() {
  const std::uint32_t now = ReadTickCount();
  unsigned char buffer[4096];
  // After a wait that saw no input, there is none to look for.
  for (std::size_t got = 0; got < kMostReadPerPass && !quietSinceWait;) {
    pollfd in{settings.inputFd, POLLIN, 0};
    if (poll(&in, 1, 0) != 1 || (in.revents & POLLIN) == 0) {
      break;
    }
    const ssize_t n = read(settings.inputFd, buffer, sizeof buffer);
    if (n <= 0) {
      break;
    }
    got += static_cast<std::size_t>(n);
    Decode(buffer, static_cast<std::size_t>(n), now);
  }
  decoded.clear();
  decoder.Flush(now, decoded);
  for (const TerminalInput& input : decoded) {
    Translate(input, now);
  }
  guessed.clear();
  guesser.Expire(now, guessed);
  for (const GuessedKeyEvent& key : guessed) {
    PushKey(key.code, key.down);
  }
}

void TerminalDevice::Decode(const unsigned char* bytes, std::size_t size, std::uint32_t now) {
  decoded.clear();
  if (vt.Taken()) {
    vtKeys.Feed(bytes, size, decoded);
  } else {
    decoder.Feed(bytes, size, now, decoded);
  }
  for (const TerminalInput& input : decoded) {
    Translate(input, now);
  }
  if (const int console = vtKeys.TakeConsoleSwitch(); console != 0) {
    vt.Activate(console);
  }
}

void TerminalDevice::Translate(const TerminalInput& input, std::uint32_t now) {
  if (input.kind != TerminalInput::Kind::kKey) {
    return;  // a late answer to the start's questions
  }
  if (win32Asked && input.actionReported && !win32Reports) {
    // The terminal took win32-input-mode: from now on its key reports can be
    // on their way when the mode is turned off, so giving back reads them away.
    win32Reports = true;
    if (taken) {
      ArmRestore();
    }
  }
  const bool down = input.action != KeyAction::kRelease;
  if (down && (input.modifiers & kModControl) != 0) {
    // With every key reported as a sequence the terminal no longer turns
    // these into signals, so the device does what the terminal would have,
    // for the letter the layout types.
    const std::uint16_t letter = input.typed != 0 ? input.typed : input.code;
    if (letter == vk::kC) {
      terminal_signals::NoteQuit(SIGINT);  // the same way out as the terminal's own Ctrl+C
      return;
    }
    if (letter == vk::kZ) {
      Suspend();
      return;
    }
  }
  if (kitty || input.actionReported) {
    auto held = std::find(reportedDown.begin(), reportedDown.end(), input.code);
    if (down && held == reportedDown.end()) {
      reportedDown.push_back(input.code);
    } else if (!down && held != reportedDown.end()) {
      reportedDown.erase(held);
    }
    PushKey(input.code, down);
    return;
  }
  if (!down) {
    return;
  }
  guessed.clear();
  guesser.Press(input.code, now, guessed);
  for (const GuessedKeyEvent& key : guessed) {
    PushKey(key.code, key.down);
  }
}

void TerminalDevice::PushKey(std::uint16_t code, bool down) { events.Push(code, down); }

void TerminalDevice::ReleaseEverything() {
  // Nothing can be let go while the terminal is away, so let go now.
  guessed.clear();
  guesser.ReleaseAll(guessed);
  for (const GuessedKeyEvent& key : guessed) {
    PushKey(key.code, key.down);
  }
  std::vector<TerminalInput> consoleKeys;
  vtKeys.ReleaseAll(consoleKeys);  // those go out below, with the other reported keys
  for (std::uint16_t code : reportedDown) {
    PushKey(code, false);
  }
  reportedDown.clear();
}

void TerminalDevice::WaitForInput(std::int64_t timeoutMicroseconds) {
  quietSinceWait = false;
  if (!events.Empty() || timeoutMicroseconds <= 0) {
    return;
  }
  pollfd in{settings.inputFd, POLLIN, 0};
  // Rounded up: a wait that ended early would only be waited again. While the
  // terminal is away its input is not ours, and only the time is waited. A
  // signal ends the wait early, and the loop looks at once.
  const auto ms =
      static_cast<int>(std::min<std::int64_t>((timeoutMicroseconds + 999) / 1000, 1000));
  const int ready = poll(taken ? &in : nullptr, taken ? 1 : 0, ms);
  if (ready > 0 && (in.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    // Hung up or broken: the input would end every wait at once, so only the
    // time is waited (the hangup's own signal ends the program).
    poll(nullptr, 0, ms);
  }
  quietSinceWait = ready == 0;
}

bool TerminalDevice::HasInput() {
  Service();
  if (taken) {
    Pump();
  }
  return !events.Empty();
}

void TerminalDevice::ReadInput(InputRecord& record) {
  if (events.Empty()) {
    record = MakeOtherRecord(kFocusEventType);  // never block: nothing to read is harmless
    return;
  }
  const QueuedKey key = events.Pop();
  record = MakeKeyRecord(key.code, key.down);
}

void TerminalDevice::SetTitle(const char* text) {
  title.clear();
  for (const char* c = text; *c != '\0' && title.size() < 200; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte >= 32 && byte != 127) {
      title.push_back(*c);
    }
  }
  if (taken) {
    Send("\x1b]2;" + title + "\x1b\\");
  }
}

bool TerminalDevice::QuitRequested() { return terminal_signals::QuitSignal() != 0; }

}  // namespace torvelkan
