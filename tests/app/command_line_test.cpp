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
};

TEST(CommandLine, ActionsAndFaults) {
  using A = CommandLine::Action;
  const std::string longArgument(5000, 'x');
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
      // What the fault line quotes can neither move the cursor nor flood the terminal.
      {{"--\x1b[2J\\"}, A::kError, R"('--\x1b[2J\x5c')"},
      {{"--caf\xc3\xa9\n"}, A::kError, R"('--caf\xc3\xa9\x0a')"},
      {{longArgument.c_str()}, A::kError, "'" + longArgument.substr(0, 64) + "...'"},
  };
  for (const Case& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
    EXPECT_EQ(parsed.action, c.action) << shown;
    if (!c.errorHas.empty()) {
      EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << parsed.error;
      for (const char byte : parsed.error) {
        EXPECT_TRUE(byte >= 0x20 && byte < 0x7F) << "one line of plain text: " << parsed.error;
      }
      EXPECT_LT(parsed.error.size(), 120u);
    }
  }
}

}  // namespace
}  // namespace torvelkan
