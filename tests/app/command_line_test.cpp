// The command line: each row is what a player types and what must follow.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvelkan {
namespace {

struct Case {
  std::vector<const char*> arguments;
  CommandLine::Action action;
  std::string errorHas;
  bool trueColour = false;
};

TEST(CommandLine, ActionsAndFaults) {
  using A = CommandLine::Action;
  const std::vector<Case> cases = {
      {{}, A::kPlay, ""},
      {{"--help"}, A::kHelp, ""},
      {{"-h"}, A::kHelp, ""},
      {{"--version"}, A::kVersion, ""},
      {{"--version", "--help"}, A::kHelp, ""},
      {{"--no-such-option"}, A::kError, "'--no-such-option'"},
      {{"--help", "--bogus"}, A::kError, "'--bogus'"},
      {{"stray"}, A::kError, "'stray'"},
      {{"--"}, A::kError, "'--'"},
      {{"--true-colour"}, A::kPlay, "", true},
      {{"--truecolor"}, A::kPlay, "", true},
      {{"--true-color"}, A::kPlay, "", true},
      {{"--true-colours"}, A::kError, "'--true-colours'"},
      {{"--true-colour", "--version"}, A::kVersion, "", true},
  };
  for (const Case& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
    EXPECT_EQ(parsed.action, c.action) << shown;
    EXPECT_EQ(parsed.trueColour, c.trueColour) << shown;
    if (!c.errorHas.empty()) {
      EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << parsed.error;
      EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << "one line only";
    }
  }
}

}  // namespace
}  // namespace torvelkan
