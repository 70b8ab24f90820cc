// Every escape sequence the terminal device sends: the set-up of the terminal
// as a list of steps, each with what turns it on and what turns it off, and
// the questions and frame marks that are not part of it.
//
// Taking the terminal over sends the "on" halves of the steps in force, in
// order; giving it back sends their "off" halves in the opposite order, so
// that the two can never drift apart. Some steps depend on what the terminal
// turned out to take (TerminalFeatures); each of those can also be turned on
// alone, once the terminal is known to take it.
#pragma once

#include <string>
#include <string_view>

namespace torvelkan {

// What the terminal takes beyond the set-up every terminal gets.
struct TerminalFeatures {
  // win32-input-mode asked for (its key reports, should the terminal take it).
  bool win32Input = false;
  // The kitty keyboard protocol's flags pushed.
  bool kittyKeyboard = false;
  // Frames held back by the terminal until whole.
  bool synchronizedOutput = false;

  friend bool operator==(const TerminalFeatures&, const TerminalFeatures&) = default;
};

// The bytes that take the terminal over, with these features: every step's
// "on" half in order, then the title where there is one.
std::string TakeOverBytes(const TerminalFeatures& features, std::string_view title);

// The bytes that give it back: every step's "off" half, in the opposite order.
std::string GiveBackBytes(const TerminalFeatures& features);

// The "on" halves of the steps that depend on one feature: what to send once
// the terminal is known to take it. Name the feature as
// &TerminalFeatures::kittyKeyboard.
std::string TurnOnBytes(const bool TerminalFeatures::*feature);
// Their "off" halves, in the opposite order: what to send to do without it.
std::string TurnOffBytes(const bool TerminalFeatures::*feature);

// Shows this title (its bytes already checked to be printable).
std::string TitleBytes(std::string_view title);

// The whole screen cleared in the default colours.
inline constexpr std::string_view kClearScreen = "\x1b[0m\x1b[2J";

// The device attributes request, answered by virtually every terminal: its
// answer ends a wait for anything asked before it.
inline constexpr std::string_view kAttributesRequest = "\x1b[c";
// Does the terminal speak the kitty keyboard protocol? Does it know
// synchronized output (mode 2026)? Then the request above.
inline constexpr std::string_view kStartQuestions = "\x1b[?u\x1b[?2026$p\x1b[c";
static_assert(kStartQuestions.ends_with(kAttributesRequest));
// Please be 80 x 50 (terminals that do not take window requests ignore it).
inline constexpr std::string_view kAskForSize = "\x1b[8;50;80t";

// Hold the terminal's picture until the frame between them is whole.
inline constexpr std::string_view kBeginFrame = "\x1b[?2026h";
inline constexpr std::string_view kEndFrame = "\x1b[?2026l";

}  // namespace torvelkan
