// The recording's files on the system: a new recording replaces the old file
// only once it holds a game, so that at every moment the name holds one or
// the other; what can refuse the start refuses before anything is written;
// and nothing, read or written, waits on a pipe. Each test works in a fresh
// temporary folder.
#include "replay/recording_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "replay/file_fault.h"
#include "replay/recorder.h"
#include "replay/recording.h"

namespace torvelkan::replay {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "an old recording, kept";

class RecordingFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "torvelkan-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    path = (folder / "keep.tvr").string();
    std::ofstream(path, std::ios::binary) << kOld;
  }
  void TearDown() override { fs::remove_all(folder); }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string Bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The file as a replay finds it: a recording by "new", or nothing.
  static bool IsNewRecording(const std::string& bytes, Recording& recording) {
    std::string fault;
    return ParseRecording({bytes.begin(), bytes.end()}, recording, fault) &&
           recording.programVersion == "new";
  }

  static std::string Refusal(const std::string& target) {
    try {
      const RecordingFile file = RecordingFile::Replacing(target);
    } catch (const FileFault& fault) {
      return std::string(fault.Problem());
    }
    return "(accepted)";
  }

  fs::path folder;
  std::string path;
};

TEST_F(RecordingFiles, TheOldFileStaysUntilTheNewOneHoldsAGame) {
  {
    // The game refused to start: it never read the clock.
    const Recorder refused(RecordingFile::Replacing(path), "new");
    EXPECT_EQ(Names().size(), 2u) << "the new file beside the old";
  }
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.tvr"});
  EXPECT_EQ(Bytes(path), kOld);

  // Killed after any pass, the game leaves the old file or the new one.
  int firstNew = -1;
  {
    Recorder recorder(RecordingFile::Replacing(path), "new");
    std::uint32_t tick = 7000;
    for (int pass = 0; pass < 600; ++pass) {
      recorder.Tick(tick);
      tick += 2;
      const std::string bytes = Bytes(path);
      Recording recording;
      if (bytes == kOld) {
        ASSERT_EQ(firstNew, -1) << "the old file came back at pass " << pass;
        ASSERT_EQ(Names().size(), 2u);
      } else {
        ASSERT_TRUE(IsNewRecording(bytes, recording)) << "neither file at pass " << pass;
        ASSERT_EQ(Names(), std::vector<std::string>{"keep.tvr"});
        firstNew = firstNew < 0 ? pass : firstNew;
      }
    }
  }  // no Finish: as a crash leaves it
  EXPECT_EQ(firstNew, 250) << "in place at the first write, half a second into the game";
  Recording partial;
  ASSERT_TRUE(IsNewRecording(Bytes(path), partial));
  EXPECT_TRUE(partial.cutShort);
  EXPECT_EQ(partial.passes, 598u);

  // A session that ends before its first write still replaces the file, whole.
  {
    Recorder recorder(RecordingFile::Replacing(path), "new");
    recorder.Tick(1);
    recorder.Tick(1);
    EXPECT_TRUE(recorder.Finish()) << recorder.Fault();
  }
  Recording whole;
  ASSERT_TRUE(IsNewRecording(Bytes(path), whole));
  EXPECT_FALSE(whole.cutShort);
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.tvr"});
}

TEST_F(RecordingFiles, TheNewFileKeepsTheOldOnesPermissionsAndLinks) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("keep.tvr", folder / "link.tvr");
  {
    Recorder recorder(RecordingFile::Replacing((folder / "link.tvr").string()), "new");
    recorder.Tick(1);
    recorder.Tick(1);
    EXPECT_TRUE(recorder.Finish()) << recorder.Fault();
  }
  EXPECT_TRUE(fs::is_symlink(folder / "link.tvr"));
  Recording recording;
  EXPECT_TRUE(IsNewRecording(Bytes(path), recording));
  EXPECT_EQ(fs::status(path).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Names(), (std::vector<std::string>{"keep.tvr", "link.tvr"}));
}

TEST_F(RecordingFiles, WhatCannotTakeARecordingIsRefusedAtOnceAndLeftAsItWas) {
  ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
  fs::create_directory(folder / "folder");
  EXPECT_EQ(Refusal((folder / "folder").string()), "cannot write the recording: Is a directory");
  EXPECT_EQ(Refusal((folder / "pipe").string()),
            "cannot write the recording: no program reads from this pipe");
  EXPECT_EQ(Refusal((folder / "missing" / "x.tvr").string()),
            "cannot write the recording: No such file or directory");
  if (geteuid() != 0) {  // root writes anywhere
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(Refusal(path), "cannot write the recording: Permission denied");
    EXPECT_EQ(Bytes(path), kOld);
    fs::permissions(folder / "folder", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Refusal((folder / "folder" / "x.tvr").string()),
              "cannot write the recording: Permission denied");
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "keep.tvr", "pipe"}));
  EXPECT_TRUE(fs::is_empty(folder / "folder"));

  // A pipe that a program reads, and a device, take the recording straight.
  struct FdTraits {
    using Handle = int;
    static int None() noexcept { return -1; }
    static void Close(int fd) noexcept { close(fd); }
  };
  const UniqueHandle<FdTraits> reader(open((folder / "pipe").c_str(), O_RDONLY | O_NONBLOCK));
  ASSERT_TRUE(reader.IsOpen());
  {
    Recorder recorder(RecordingFile::Replacing((folder / "pipe").string()), "new");
    recorder.Tick(1);
    EXPECT_TRUE(recorder.Finish()) << recorder.Fault();
  }
  char magic[8] = {};
  EXPECT_EQ(read(reader.Get(), magic, sizeof magic), 8);
  EXPECT_EQ(std::string(magic, 8), "TVKREPLY");
  EXPECT_EQ(Refusal("/dev/null"), "(accepted)");
}

TEST_F(RecordingFiles, OnlyARegularFileIsReadAndNothingWaits) {
  ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
  const auto fault = [](const std::string& target) {
    try {
      ReadRecordingFile(target, 1000);
    } catch (const FileFault& refused) {
      return std::string(refused.Problem());
    }
    return std::string("(read)");
  };
  EXPECT_EQ(fault((folder / "pipe").string()), "a pipe, not a recording");
  EXPECT_EQ(fault("/dev/zero"), "a device, not a recording");
  EXPECT_EQ(fault(folder.string()), "a directory, not a recording");
  fs::create_symlink("pipe", folder / "link");
  EXPECT_EQ(fault((folder / "link").string()), "a pipe, not a recording");
  EXPECT_EQ(ReadRecordingFile(path, 1000), std::vector<std::uint8_t>(kOld.begin(), kOld.end()));
  EXPECT_EQ(fault(path), "(read)");
  std::ofstream(path, std::ios::app) << std::string(1000, 'x');
  EXPECT_EQ(fault(path).rfind("too large for a recording", 0), 0u);
}

}  // namespace
}  // namespace torvelkan::replay
