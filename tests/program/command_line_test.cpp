// The command line: each row is what a player types and what must follow.
#include "program/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvelkan {
namespace {

struct Case {
  std::vector<const char*> arguments;
  CommandLine::Action action;
  std::string errorHas;
  bool smoothHolds = false;
  bool trueColour = false;
  ViewChoice view = ViewChoice::kAuto;
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
      {{"--host", "--join", "h", "c"}, A::kError, "only one of"},
      {{"--join", "localhost"}, A::kError, "join code"},
      {{"--join"}, A::kError, "HOST[:PORT]"},
      {{"--watch", "h:0", "abc"}, A::kError, "port"},
      {{"--join", "h:65536", "abc"}, A::kError, "port"},
      {{"--join", "h:", "abc"}, A::kError, "port"},
      {{"--join", ":5000", "abc"}, A::kError, "address is missing"},
      {{"--join", "h", "ab$c"}, A::kError, "letters and digits"},
      {{"--join", "h", "abcdefghijklmnopq"}, A::kError, "letters and digits"},
      {{"--join", "h;rm", "abc"}, A::kError, "not an address"},
      {{"--host", "[::1"}, A::kError, "']'"},
      {{"--smooth-holds"}, A::kPlay, "", true},
      {{"--smooth-holds", "--version"}, A::kVersion, "", true},
      {{"--smooth-holds=yes"}, A::kError, "'--smooth-holds=yes'"},
      // What the fault line quotes can neither move the cursor nor flood the terminal.
      {{"--\x1b[2J\\"}, A::kError, R"('--\x1b[2J\x5c')"},
      {{"--caf\xc3\xa9\n"}, A::kError, R"('--caf\xc3\xa9\x0a')"},
      {{longArgument.c_str()}, A::kError, "'" + longArgument.substr(0, 64) + "...'"},
      {{"--join", "h\x1b[2J", "abc"}, A::kError, R"('h\x1b[2J' is not an address)"},
      {{"--true-colour"}, A::kPlay, "", false, true},
      {{"--truecolor"}, A::kPlay, "", false, true},
      {{"--true-color"}, A::kPlay, "", false, true},
      {{"--true-colours"}, A::kError, "'--true-colours'"},
      {{"--true-colour", "--version"}, A::kVersion, "", false, true},
      {{"--view", "half"}, A::kPlay, "", false, false, ViewChoice::kHalf},
      {{"--view=full"}, A::kPlay, "", false, false, ViewChoice::kFull},
      {{"--view", "half", "--view=auto"}, A::kPlay, "", false, false, ViewChoice::kAuto},
      {{"--view", "full", "--record", "f"}, A::kPlay, "", false, false, ViewChoice::kFull},
      {{"--view"}, A::kError, "full, half or auto"},
      {{"--view", "wide"}, A::kError, "'wide'"},
      {{"--view="}, A::kError, "full, half or auto"},
      {{"--view", "HALF"}, A::kError, "'HALF'"},
      {{"--views"}, A::kError, "'--views'"},
  };
  for (const Case& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
    EXPECT_EQ(parsed.action, c.action) << shown;
    if (parsed.action != A::kError) {
      EXPECT_EQ(parsed.device.smoothHolds, c.smoothHolds) << shown;
      EXPECT_EQ(parsed.device.trueColour, c.trueColour) << shown;
      EXPECT_EQ(parsed.device.view, c.view) << shown;
    }
    if (!c.errorHas.empty()) {
      EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << parsed.error;
      for (const char byte : parsed.error) {
        EXPECT_TRUE(byte >= 0x20 && byte < 0x7F) << "one line of plain text: " << parsed.error;
      }
      EXPECT_LT(parsed.error.size(), 120u);
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
      {{"--replay", "a", "--host"}, A::kError, "", "", "'--replay' and '--host'"},
      {{"--join", "h", "c", "--record", "a"}, A::kError, "", "", "'--record' and '--join'"},
      {{"--record", "a", "--watch", "h", "c"}, A::kError, "", "", "'--record' and '--watch'"},
      {{"--host", "--record", "a"},
       A::kPlay,
       "a",
       "",
       ""},  // the host's game, the guest's keys too
      {{"--record=a", "--host", ":5000"}, A::kPlay, "a", "", ""},
      {{"--host", "--replay", "a"}, A::kError, "", "", "'--replay' and '--host'"},
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

TEST(CommandLine, NetworkOptions) {
  using M = NetworkOptions::Mode;
  const struct {
    std::vector<const char*> arguments;
    M mode;
    std::uint16_t port;
    std::string address;
    std::string code;
  } cases[] = {
      {{}, M::kNone, kDefaultPort, "", ""},
      {{"--host"}, M::kHost, kDefaultPort, "", ""},
      {{"--host", "--version"}, M::kHost, kDefaultPort, "", ""},
      {{"--host", "192.168.1.5"}, M::kHost, kDefaultPort, "192.168.1.5", ""},
      {{"--host", ":5000"}, M::kHost, 5000, "", ""},
      {{"--host=127.0.0.1:0"}, M::kHost, 0, "127.0.0.1", ""},
      {{"--host", "[::1]:7000"}, M::kHost, 7000, "::1", ""},
      {{"--host", "::"}, M::kHost, kDefaultPort, "::", ""},
      {{"--join", "localhost", "K7M2-Q9XP"}, M::kJoin, kDefaultPort, "localhost", "k7m2q9xp"},
      {{"--join", "game.example:6000", "abc"}, M::kJoin, 6000, "game.example", "abc"},
      {{"--watch", "[fe80::1%eth0]:41", "z9"}, M::kWatch, 41, "fe80::1%eth0", "z9"},
  };
  for (const auto& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.back();
    EXPECT_NE(parsed.action, CommandLine::Action::kError) << shown << ": " << parsed.error;
    EXPECT_EQ(parsed.network.mode, c.mode) << shown;
    EXPECT_EQ(parsed.network.address, c.address) << shown;
    EXPECT_EQ(parsed.network.port, c.port) << shown;
    EXPECT_EQ(parsed.network.code, c.code) << shown;
  }
}

// The arena's server and client: their own port unless given, the client's
// code optional, and neither with a recording.
TEST(CommandLine, ArenaOptions) {
  using M = NetworkOptions::Mode;
  const struct {
    std::vector<const char*> arguments;
    std::string address;
    std::string code;
    std::string errorHas;  // empty: parsed
    M mode;
    std::uint16_t port;
  } cases[] = {
      {{"--serve"}, "", "", "", M::kServe, 41961},
      {{"--serve", ":5000"}, "", "", "", M::kServe, 5000},
      {{"--serve=127.0.0.1:0"}, "127.0.0.1", "", "", M::kServe, 0},
      {{"--serve", "--smooth-holds"}, "", "", "", M::kServe, 41961},
      {{"--online", "game.example"}, "game.example", "", "", M::kOnline, 41961},
      {{"--online", "[::1]:7000", "K7M2-Q9XP"}, "::1", "k7m2q9xp", "", M::kOnline, 7000},
      {{"--online=localhost", "abc"}, "localhost", "abc", "", M::kOnline, 41961},
      {{"--online"}, "", "", "the server's address", M::kNone, 0},
      {{"--online", "--true-colour"}, "", "", "the server's address", M::kNone, 0},
      {{"--online", "h", "ab$c"}, "", "", "letters and digits", M::kNone, 0},
      {{"--online", "h:0"}, "", "", "port", M::kNone, 0},
      {{"--serve", "--online", "h"}, "", "", "only one of", M::kNone, 0},
      {{"--record", "a", "--serve"}, "", "", "'--record' and '--serve'", M::kNone, 0},
      {{"--online", "h", "--replay", "a"}, "", "", "'--replay' and '--online'", M::kNone, 0},
  };
  for (const auto& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    const std::string shown = c.arguments.back();
    if (!c.errorHas.empty()) {
      EXPECT_EQ(parsed.action, CommandLine::Action::kError) << shown;
      EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << shown << ": " << parsed.error;
      continue;
    }
    EXPECT_EQ(parsed.action, CommandLine::Action::kPlay) << shown << ": " << parsed.error;
    EXPECT_EQ(parsed.network.mode, c.mode) << shown;
    EXPECT_EQ(parsed.network.address, c.address) << shown;
    EXPECT_EQ(parsed.network.port, c.port) << shown;
    EXPECT_EQ(parsed.network.code, c.code) << shown;
  }
  EXPECT_NE(UsageText().find("--online SERVER[:PORT] [CODE]"), std::string::npos);
  EXPECT_NE(UsageText().find("--serve [ADDRESS][:PORT]"), std::string::npos);
}

// --web alone plays here, on loopback and any free port unless told; with
// --serve it is the arena's door for browsers, on the arena's address and
// its own port unless told, in either order; with the others, a fault.
TEST(CommandLine, WebOptions) {
  const struct {
    std::vector<const char*> arguments;
    std::string address;
    std::uint16_t port;
    std::string errorHas;  // empty: parsed
  } cases[] = {
      {{"--web"}, "127.0.0.1", 0, ""},
      {{"--web", ":8080"}, "", 8080, ""},
      {{"--web", "8080"}, "127.0.0.1", 8080, ""},
      {{"--web=192.168.1.20"}, "192.168.1.20", 0, ""},
      {{"--serve", "--web"}, "", 41962, ""},
      {{"--serve", "10.0.0.5", "--web"}, "10.0.0.5", 41962, ""},
      {{"--web", "--serve", "10.0.0.5:7000"}, "10.0.0.5", 41962, ""},
      {{"--serve", "10.0.0.5", "--web", "8080"}, "10.0.0.5", 8080, ""},
      {{"--serve", "--web", "127.0.0.1"}, "127.0.0.1", 41962, ""},
      {{"--serve", "--web=[::1]:0"}, "::1", 0, ""},
      {{"--web", "99999"}, "", 0, "port"},
      {{"--web", "--web"}, "", 0, "given twice"},
      {{"--online", "h", "--web"}, "", 0, "--online"},
      {{"--web", "--host"}, "", 0, "--host"},
  };
  for (const auto& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.arguments);
    const std::string shown = c.arguments.back();
    if (!c.errorHas.empty()) {
      EXPECT_EQ(parsed.action, CommandLine::Action::kError) << shown;
      EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << shown << ": " << parsed.error;
      continue;
    }
    EXPECT_EQ(parsed.action, CommandLine::Action::kPlay) << shown << ": " << parsed.error;
    EXPECT_TRUE(parsed.web.on) << shown;
    EXPECT_EQ(parsed.web.address, c.address) << shown;
    EXPECT_EQ(parsed.web.port, c.port) << shown;
  }
}

}  // namespace
}  // namespace torvelkan
