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

TEST(CommandLine, RecordAndReplayFiles) {
  using A = CommandLine::Action;
  struct FileCase {
    std::vector<const char*> arguments;
    CommandLine::Action action;
    std::string record;
    std::string replay;
    std::string errorHas;
  };
  const std::vector<FileCase> cases = {
      {{"--record", "fight.tvr"}, A::kPlay, "fight.tvr", "", ""},
      {{"--record=fight.tvr"}, A::kPlay, "fight.tvr", "", ""},
      {{"--replay", "fight.tvr"}, A::kReplay, "", "fight.tvr", ""},
      {{"--replay=a=b.tvr"}, A::kReplay, "", "a=b.tvr", ""},
      {{"--replay", "-odd name"}, A::kReplay, "", "-odd name", ""},
      {{"--replay", "x", "--help"}, A::kHelp, "", "x", ""},
      {{"--version", "--replay", "x"}, A::kVersion, "", "x", ""},
      {{"--record"}, A::kError, "", "", "'--record' needs a file name"},
      {{"--replay="}, A::kError, "", "", "'--replay' needs a file name"},
      {{"--record", "a", "--record", "b"}, A::kError, "", "", "'--record' given twice"},
      {{"--replay", "a", "--record", "b"}, A::kError, "", "", "cannot be used together"},
      {{"--recordx"}, A::kError, "", "", "unknown option '--recordx'"},
  };
  for (const FileCase& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.action, c.action) << c.arguments.front();
    if (c.errorHas.empty()) {
      EXPECT_EQ(parsed.recordPath, c.record);
      EXPECT_EQ(parsed.replayPath, c.replay);
    } else {
      EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << parsed.error;
    }
  }
}

}  // namespace
}  // namespace torvelkan
