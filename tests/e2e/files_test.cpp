// The player's files from the shell: a recording that is there survives a
// game that refuses to start, and is replaced only once the new game is on
// the screen; a pipe named for a replay is refused at once.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "e2e/game_in_terminal.h"

namespace torvelkan::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

const std::string kOld = "TVKREPLY an old recording, kept";

class Files : public GameInTerminal {
 public:
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;

 protected:
  Files() {
    std::string pattern = (fs::temp_directory_path() / "torvelkan-e2e-files-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      folder = pattern;
    }
  }
  ~Files() override {
    if (!folder.empty()) {
      fs::remove_all(folder);
    }
  }

  std::string Bytes(const std::string& name) const {
    std::ifstream in(folder + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  int Entries() const {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
  }
  // Runs a shell line in the folder, the game as $GAME; its status.
  int Shell(const std::string& line) const {
    int status = 0;
    TmuxSession::Host("cd " + ShellQuote(folder) + " && GAME=" + ShellQuote(binary) + " && { " +
                          line + "; } 2>/dev/null",
                      &status);
    return status;
  }

  std::string folder;
};

TEST_F(Files, AGameThatRefusesToStartLeavesTheRecordingAsItWas) {
  ASSERT_FALSE(folder.empty());
  std::ofstream(folder + "/keep.tvr", std::ios::binary) << kOld;
  const char* refusals[] = {
      R"("$GAME" --record keep.tvr > /dev/null)",
      R"(setsid -w "$GAME" --record keep.tvr < /dev/null)",
      R"("$GAME" --host 127.0.0.1:0 --record keep.tvr > /dev/null)",
      R"(setsid -w "$GAME" --record new.tvr < /dev/null)",
  };
  for (const char* refusal : refusals) {
    EXPECT_EQ(Shell(std::string("timeout 10 ") + refusal), 1) << refusal;
    EXPECT_EQ(Bytes("keep.tvr"), kOld) << refusal;
    EXPECT_EQ(Entries(), 1) << refusal << ": nothing left beside it";
  }
}

TEST_F(Files, APipeForAReplayIsRefusedAtOnce) {
  ASSERT_FALSE(folder.empty());
  ASSERT_EQ(Shell("mkfifo f"), 0);
  EXPECT_EQ(Shell(R"(timeout 10 "$GAME" --replay f)"), 1);
  EXPECT_EQ(Shell(R"(timeout 10 "$GAME" --record f)"), 1) << "no program reads it";
}

TEST_F(Files, TheRecordingReplacesTheOldFileOnceTheGameRuns) {
  ASSERT_FALSE(folder.empty());
  std::ofstream(folder + "/keep.tvr", std::ios::binary) << kOld;
  StartGame(folder, "--record keep.tvr");
  // Half a second into the game the new file is written and put in place.
  bool replaced = false;
  for (int i = 0; i < 100 && !replaced; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    replaced = Bytes("keep.tvr") != kOld && Entries() == 1;
  }
  EXPECT_TRUE(replaced);
  Signal("KILL");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string left = Bytes("keep.tvr");
  EXPECT_EQ(left.substr(0, 8), "TVKREPLY");
  EXPECT_GT(left.size(), 30u) << "the new recording, cut short by the kill";
  EXPECT_EQ(Entries(), 1);
}

}  // namespace
}  // namespace torvelkan::e2e
