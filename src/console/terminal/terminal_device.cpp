// The console device for POSIX terminals: its face to the game, and what
// ties the session, the questions, the encoder and the key routing together.
#include "console/terminal/terminal_device.h"

#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/keys.h"
#include "common/monotonic_clock.h"
#include "common/tick.h"
#include "console/half_view.h"
#include "console/terminal/terminal_colours.h"
#include "console/terminal/terminal_setup.h"
#include "console/terminal/terminal_signals.h"

namespace torvelkan {
namespace {

TerminalSession::Settings SessionSettings(const TerminalDevice::Settings& settings) {
  TerminalSession::Settings session;
  session.inputFd = settings.inputFd;
  session.outputFd = settings.outputFd;
  session.mustBeControllingTerminal = settings.mustBeControllingTerminal;
  session.guarded = settings.guarded;
  session.keyboardCalls = settings.keyboardCalls;
  return session;
}

}  // namespace

TerminalDevice::TerminalDevice() : TerminalDevice(Settings{}) {}

TerminalDevice::TerminalDevice(const Settings& given)
    : settings(given),
      session(SessionSettings(given)),
      keys(given.smoothHolds ? GuessStyle::kSmoothHolds : GuessStyle::kShortTaps) {
  terminal_signals::ClearQuitSignal();
  terminal_signals::TakeArrivedSignals();  // what came before the device is not its business
  terminal_signals::Install();
  trueColour = settings.trueColour && SaysTrueColour(std::getenv("COLORTERM"));
  encoder.SetTrueColour(trueColour);
  TakeOver();
  AskTheTerminal();
}

TerminalDevice::~TerminalDevice() {
  GiveBack();
  session.Dismiss();
  terminal_signals::Uninstall();
  const int signal = terminal_signals::QuitSignal();
  if (signal != 0 && settings.endBySignal) {
    std::fflush(nullptr);
    ::signal(signal, SIG_DFL);
    raise(signal);
  }
}

void TerminalDevice::TakeOver() {
  // Only where output processing is really off does a bare line feed only
  // move down; elsewhere the encoder does without it.
  encoder.SetBareLineFeeds(session.TakeOver());
  Send(TakeOverBytes(session.Features(), title));
  ReadSize();
  encoder.Invalidate();
  sentOnce = false;
}

void TerminalDevice::GiveBack() {
  if (!session.Taken()) {
    return;
  }
  // Nothing can be let go while the terminal is away, so let go now; the
  // console's held keys go out with the other reported keys.
  keys.ReleaseEverything();
  std::vector<TerminalInput> consoleKeys;
  vtKeys.ReleaseAll(consoleKeys);
  session.GiveBack();
}

// After a stop the device did not ask for (SIGSTOP, SIGTTIN, SIGTTOU from
// outside, or a Ctrl+Z undone before it was acted on), whoever had the
// terminal meanwhile may have changed anything: give it back and take it over
// again, so that every push has its pop.
void TerminalDevice::GiveBackAndTakeOver() {
  GiveBack();
  if (terminal_signals::QuitSignal() == 0) {
    TakeOver();
  }
}

// The questions go out once the terminal is taken; what it answers decides
// how keys are read, and what came typed meanwhile is acted on after.
void TerminalDevice::AskTheTerminal() {
  Send(std::string(kStartQuestions) +
       std::string(AsksForFullSize(settings.view, rows) ? kAskForSize : ""));
  std::vector<TerminalInput> early;
  answers = AwaitAnswers(settings.inputFd, settings.answerWaitMs, decoder, early);
  const std::string turnOn = session.TakeUp(answers);
  if (!turnOn.empty()) {
    Send(turnOn);
  }
  for (const TerminalInput& input : early) {
    ActOnInput(input, ReadTickCount());
  }
}

void TerminalDevice::ReadSize() {
  winsize size{};
  if (ioctl(settings.outputFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
  view = ChooseView(settings.view, rows);
  if (view == View::kHalf || columns < kColumns || rows < kRows) {
    // The rest of the screen must not keep pieces of a larger frame, nor of
    // the other view.
    Send(std::string(kClearScreen));
  }
  encoder.SetVisibleArea(columns, rows);
  encoder.Invalidate();
}

int TerminalDevice::RowsShownFrom(int row) {
  if (view == View::kFull) {
    return kRows - row;  // however short the terminal: the full view is the grid
  }
  return HalfViewTextRows(row, ViewFits(view, columns, rows) ? rows : rows - 1);
}

void TerminalDevice::Suspend() {
  GiveBack();
  TerminalSession::StopUntilContinued();
  if (terminal_signals::QuitSignal() == 0) {
    TakeOver();
  }
}

// What the signals asked for, acted on in the loop in one place.
void TerminalDevice::ActOnSignals() {
  const terminal_signals::ArrivedSignals arrived = terminal_signals::TakeArrivedSignals();
  if (arrived.suspend && !arrived.continuedLast) {
    Suspend();
  } else if (arrived.continued) {
    GiveBackAndTakeOver();
  } else if (arrived.resized && session.Taken()) {
    ReadSize();
  }
}

void TerminalDevice::Present(const CellGrid& cells) {
  ActOnSignals();
  if (!session.Taken()) {
    return;
  }
  const std::int64_t now = MonotonicMicroseconds();
  if (sentOnce && now - lastSend < kShortestSendGapMicroseconds) {
    return;  // the newest frame goes out with a later present
  }
  pollfd out{settings.outputFd, POLLOUT, 0};
  if (poll(&out, 1, 0) != 1 || (out.revents & POLLOUT) == 0) {
    return;  // the terminal is still busy: what differs goes out later
  }
  const bool synchronized = session.Features().synchronizedOutput;
  output.clear();
  if (synchronized) {
    output += kBeginFrame;
  }
  const std::size_t frameStart = output.size();
  encoder.Encode(Picture(cells), output);
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

// The grid itself in the full view on a big enough terminal; else the half
// view of it, and on a terminal too small for the view, what fits with the
// size line on the terminal's last row.
const CellGrid& TerminalDevice::Picture(const CellGrid& cells) {
  const bool fits = ViewFits(view, columns, rows);
  if (view == View::kFull && fits) {
    return cells;
  }
  if (view == View::kFull) {
    picture = cells;
  } else {
    picture.fill(Cell{});
    DrawHalfView(cells, textFrom, fits ? rows : rows - 1, picture);
  }
  if (!fits) {
    const std::string line = SizeLine(view, columns, rows);
    const int row = std::min(rows, kRows) - 1;
    const int width = std::min(columns, kColumns);
    for (int column = 0; column < width; ++column) {
      Cell& cell = picture[static_cast<std::size_t>(row * kColumns + column)];
      const auto at = static_cast<std::size_t>(column);
      cell.Char.UnicodeChar = at < line.size() ? static_cast<unsigned char>(line[at]) : ' ';
      cell.Attributes = 0x4F;  // bright white on red
    }
  }
  return picture;
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
// line discipline's own Ctrl+C, waiting behind it. Then lets go of what the
// waits say has been let go.
void TerminalDevice::ReadTerminalInput() {
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
    ActOnInput(input, now);
  }
  keys.Expire(now);
}

void TerminalDevice::Decode(const unsigned char* bytes, std::size_t size, std::uint32_t now) {
  decoded.clear();
  const VtKeyboard& console = session.ConsoleKeyboard();
  if (console.Taken()) {
    vtKeys.Feed(bytes, size, decoded);
  } else {
    decoder.Feed(bytes, size, now, decoded);
  }
  for (const TerminalInput& input : decoded) {
    ActOnInput(input, now);
  }
  if (const int number = vtKeys.TakeConsoleSwitch(); number != 0) {
    console.Activate(number);
  }
}

// One key from the terminal: Ctrl+C and Ctrl+Z do what the terminal would
// have done, every other key goes to the routing of its release.
void TerminalDevice::ActOnInput(const TerminalInput& input, std::uint32_t now) {
  if (input.kind != TerminalInput::Kind::kKey) {
    TakeUpLateAnswer(input);
    return;
  }
  if (input.actionReported) {
    session.SawWin32KeyReport();  // which matters only where the mode was asked for
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
  keys.Route(input.code, down, session.Features().kittyKeyboard || input.actionReported, now);
}

// An answer to the start's questions that came after the wait, from a
// terminal still starting (the game its first program): what it offers is
// taken up now. An answer after the device attributes' is to no question
// of ours, and TerminalAnswers does not count it.
void TerminalDevice::TakeUpLateAnswer(const TerminalInput& input) {
  answers.Note(input);
  const bool guessing = !session.Features().kittyKeyboard;
  const std::string bytes = session.TakeUpLate(answers);
  if (!bytes.empty()) {
    Send(bytes);
  }
  session.LateBytesSent();
  if (guessing && session.Features().kittyKeyboard) {
    // Releases are reported from here on: the keys held by guess are let go
    // now, rather than by a guess that would cut into a reported hold.
    keys.ReleaseEverything();
  }
}

void TerminalDevice::WaitForInput(std::int64_t timeoutMicroseconds) {
  quietSinceWait = false;
  if (!keys.Empty() || timeoutMicroseconds <= 0) {
    return;
  }
  pollfd in{settings.inputFd, POLLIN, 0};
  // Rounded up: a wait that ended early would only be waited again. While the
  // terminal is away its input is not ours, and only the time is waited. A
  // signal ends the wait early, and the loop looks at once.
  const auto ms =
      static_cast<int>(std::min<std::int64_t>((timeoutMicroseconds + 999) / 1000, 1000));
  const bool taken = session.Taken();
  const int ready = poll(taken ? &in : nullptr, taken ? 1 : 0, ms);
  if (ready > 0 && (in.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    // Hung up or broken: the input would end every wait at once, so only the
    // time is waited (the hangup's own signal ends the program).
    poll(nullptr, 0, ms);
  }
  quietSinceWait = ready == 0;
}

bool TerminalDevice::HasInput() {
  ActOnSignals();
  if (session.Taken()) {
    ReadTerminalInput();
  }
  return !keys.Empty();
}

void TerminalDevice::ReadInput(InputRecord& record) {
  if (keys.Empty()) {
    record = MakeOtherRecord(kFocusEventType);  // never block: nothing to read is harmless
    return;
  }
  const QueuedKey key = keys.Pop();
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
  if (session.Taken()) {
    Send(TitleBytes(title));
  }
}

bool TerminalDevice::QuitRequested() { return terminal_signals::QuitSignal() != 0; }

}  // namespace torvelkan
