// The recording file as the game writes it: the header at once, the session
// at least every half second of play, and its end only when it ended well.
#include "replay/recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "replay/recorded_steps.h"
#include "replay/recording.h"

namespace torvelkan::replay {
namespace {

using testing::RecordedSteps;

class RecorderFile : public ::testing::Test {
 public:
  RecorderFile(const RecorderFile&) = delete;
  RecorderFile& operator=(const RecorderFile&) = delete;

 protected:
  RecorderFile()
      : path((std::filesystem::temp_directory_path() /
              ("torvelkan-recorder-test-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".tvr"))
                 .string()) {}
  ~RecorderFile() override { std::filesystem::remove(path); }

  // The file as a reader finds it now, as if the game had just been killed.
  Recording OnDisk() const {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    Recording recording;
    std::string fault;
    if (!ParseRecording(bytes, recording, fault)) {
      recording.passes = 0;
      recording.programVersion = fault;
    }
    return recording;
  }

  std::string path;
};

TEST_F(RecorderFile, AKillLosesAtMostHalfASecondAndOnlyFinishEnds) {
  std::vector<std::string> steps;
  {
    Recorder recorder(path, "torvelkan 9.9");
    EXPECT_EQ(std::filesystem::file_size(path), 8u + 1u + 1u + 13u) << "the header at once";
    std::uint32_t tick = 0xFFFFFE00u;
    std::uint64_t playedMs = 0;
    auto pass = [&](std::uint32_t ms) {
      tick += ms;
      recorder.Tick(tick);
      steps.push_back("t" + std::to_string(tick));
      playedMs += ms;
    };
    pass(0);
    pass(2);
    playedMs = 0;
    for (int second = 0; second < 6; ++second) {
      for (int i = 0; i < 500; ++i) {
        pass(i % 3 == 0 ? 3 : 2);
        if (i % 50 == 0) {
          recorder.Event(MakeKeyRecord(static_cast<std::uint16_t>(65 + second), i % 100 == 0));
          steps.push_back((i % 100 == 0 ? "d" : "u") + std::to_string(65 + second));
        }
        // What is on disk is never more than half a second of play behind.
        const Recording written = OnDisk();
        ASSERT_LE(playedMs - written.durationMs, Recorder::kFlushMs) << playedMs;
      }
    }
    const Recording killed = OnDisk();
    EXPECT_TRUE(killed.cutShort);
    EXPECT_EQ(killed.programVersion, "torvelkan 9.9");
    EXPECT_TRUE(recorder.Finish()) << recorder.Fault();
  }
  const Recording finished = OnDisk();
  EXPECT_FALSE(finished.cutShort);
  EXPECT_EQ(RecordedSteps(finished), steps);
  EXPECT_EQ(finished.passes, 3000u);
}

TEST_F(RecorderFile, WithoutFinishEverythingIsWrittenButNoEnd) {
  {
    Recorder recorder(path, "t");
    for (std::uint32_t tick = 0; tick < 300; tick += 2) {
      recorder.Tick(tick);
    }
    recorder.Event(MakeKeyRecord(27, true));
  }
  const Recording written = OnDisk();
  EXPECT_TRUE(written.cutShort);
  EXPECT_EQ(written.passes, 148u);
  EXPECT_EQ(RecordedSteps(written).back(), "d27");
}

TEST_F(RecorderFile, AFileThatCannotBeWrittenIsOneLine) {
  const std::string inFolder = path + ".missing/x.tvr";
  try {
    Recorder recorder(inFolder, "t");
    ADD_FAILURE() << "a recorder on a missing folder";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              inFolder + ": cannot write the recording: No such file or directory");
  }
  if (std::filesystem::exists("/dev/full")) {
    try {
      const Recorder recorder("/dev/full", "t");
      ADD_FAILURE() << "a recorder on a full disk";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()),
                "/dev/full: cannot write the recording: No space left on device");
    }
  }
}

}  // namespace
}  // namespace torvelkan::replay
