// The terminal's set-up as a list of on/off steps.
#include "console/terminal/terminal_setup.h"

#include <array>
#include <cstddef>

namespace torvelkan {
namespace {

struct SetupStep {
  std::string_view on;
  std::string_view off;
  // The feature the step depends on, or none: every terminal gets it.
  const bool TerminalFeatures::*needs = nullptr;
};

// In the order they are taken; given back from the last to the first.
constexpr std::array kSteps = {
    // The game's own screen, and the old title pushed on the terminal's stack
    // (the title is shown later, below): both come back together.
    SetupStep{"\x1b[?1049h\x1b[22;0t", "\x1b[?1049l\x1b[23;0t"},
    SetupStep{"\x1b[?25l", "\x1b[?25h"},  // no cursor
    SetupStep{"\x1b[?7l", "\x1b[?7h"},    // no line wrap: the last column stays the last
    // The pen in the default colours and the screen cleared in them; the
    // default colours again at the end.
    SetupStep{kClearScreen, "\x1b[0m"},
    // A paste comes between markers, to be thrown away whole rather than read as keys.
    SetupStep{"\x1b[?2004h", "\x1b[?2004l"},
    // Windows Terminal and its kin: report every key down and up, as the
    // Windows console does. Other terminals ignore both.
    SetupStep{"\x1b[?9001h", "\x1b[?9001l", &TerminalFeatures::win32Input},
    // The kitty keyboard protocol's flags pushed: 15 is disambiguate (1), event
    // types (2), alternate keys (4, for the base-layout key) and all keys (8).
    SetupStep{"\x1b[>15u", "\x1b[<u", &TerminalFeatures::kittyKeyboard},
    // Each frame turns it on for itself; a frame cut short must not hold the
    // picture after the game.
    SetupStep{"", kEndFrame, &TerminalFeatures::synchronizedOutput},
};

bool InForce(const SetupStep& step, const TerminalFeatures& features) {
  return step.needs == nullptr || features.*step.needs;
}

}  // namespace

std::string TakeOverBytes(const TerminalFeatures& features, std::string_view title) {
  std::string bytes;
  for (const SetupStep& step : kSteps) {
    if (InForce(step, features)) {
      bytes += step.on;
    }
  }
  if (!title.empty()) {
    bytes += TitleBytes(title);
  }
  return bytes;
}

std::string GiveBackBytes(const TerminalFeatures& features) {
  std::string bytes;
  for (std::size_t at = kSteps.size(); at > 0; --at) {
    const SetupStep& step = kSteps[at - 1];
    if (InForce(step, features)) {
      bytes += step.off;
    }
  }
  return bytes;
}

std::string TurnOnBytes(const bool TerminalFeatures::*feature) {
  std::string bytes;
  for (const SetupStep& step : kSteps) {
    if (step.needs == feature) {
      bytes += step.on;
    }
  }
  return bytes;
}

std::string TurnOffBytes(const bool TerminalFeatures::*feature) {
  std::string bytes;
  for (std::size_t at = kSteps.size(); at > 0; --at) {
    if (kSteps[at - 1].needs == feature) {
      bytes += kSteps[at - 1].off;
    }
  }
  return bytes;
}

std::string TitleBytes(std::string_view title) {
  std::string bytes = "\x1b]2;";
  bytes += title;
  bytes += "\x1b\\";
  return bytes;
}

}  // namespace torvelkan
