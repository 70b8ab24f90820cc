// Every fault the program reports about a file is one line on standard error
// that names the file safely, whatever bytes its name holds, and nothing
// waits on a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program/run_program.h"

namespace torvelkan {
namespace {

namespace fs = std::filesystem;

TEST(FaultLines, AFileNamedFromOutsideIsQuotedInOneLine) {
  const fs::path folder = fs::temp_directory_path() /
                          ("torvelkan-fault-lines-" +
                           std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(folder);
  const std::string pipe = (folder / "pipe\x1b[2J").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string in = folder.string();
  struct Case {
    std::vector<std::string> arguments;
    std::string line;  // after "torvelkan: "
  };
  const std::vector<Case> cases = {
      {{"--replay", "bad\nname.tvr"},
       R"('bad\x0aname.tvr': cannot open: No such file or directory)"},
      {{"--replay", "\x1b]0;owned\a.tvr"},
       R"('\x1b]0;owned\x07.tvr': cannot open: No such file or directory)"},
      {{"--replay", pipe}, "'" + in + R"(/pipe\x1b[2J': a pipe, not a recording)"},
      {{"--record", pipe},
       "'" + in + R"(/pipe\x1b[2J': cannot write the recording: no program reads from this pipe)"},
      {{"--record", in + "/missing/\x9b"
                         "2J.tvr"},
       "'" + in + R"(/missing/\x9b2J.tvr': cannot write the recording: No such file or directory)"},
      {{"--host", "127.0.0.1:0", "--record", in + "/missing/a\rb.tvr"},
       "'" + in + R"(/missing/a\x0db.tvr': cannot write the recording: No such file or directory)"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> arguments;
    for (const std::string& argument : c.arguments) {
      arguments.push_back(argument.c_str());
    }
    ::testing::internal::CaptureStderr();
    const int status = RunProgram(arguments);
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1) << c.line;
    EXPECT_EQ(written, "torvelkan: " + c.line + "\n");
  }
  EXPECT_EQ(fs::directory_iterator(folder)->path().string(), pipe) << "nothing else was made";
  fs::remove_all(folder);
}

}  // namespace
}  // namespace torvelkan
