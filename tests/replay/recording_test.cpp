// The recording format: what goes in comes out, every damaged file is named
// as such in one line, and a file cut anywhere plays the part before the cut.
#include "replay/recording.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "replay/recorded_steps.h"
#include "replay/replay_encoder.h"

namespace torvelkan::replay {
namespace {

using testing::RecordedSteps;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A session with every kind of tick and event, and the steps it must read back as.
struct Session {
  std::string bytes;
  std::vector<std::string> steps;
};

Session SampleSession(bool ended) {
  Session session;
  ReplayEncoder encoder("torvelkan 0.1");
  std::uint32_t tick = 0xFFFFFF00u;  // the counter wraps within the session
  auto pass = [&](std::uint32_t delta) {
    tick += delta;
    encoder.Tick(tick);
    session.steps.push_back("t" + std::to_string(tick));
  };
  auto event = [&](const InputRecord& record, const std::string& shown) {
    encoder.Event(record);
    session.steps.push_back(shown);
  };
  pass(0);
  pass(2);
  for (int i = 0; i < 300; ++i) {
    pass(2);
  }
  event(MakeKeyRecord(37, true), "d37");
  event(MakeKeyRecord(0xFFFF, false), "u65535");
  event(MakeOtherRecord(kWindowBufferSizeEventType), "o4");
  for (const std::uint32_t delta : {0u, 63u, 64u, 127u, 128u, 1000000u, 0xFFFFFFFFu, 1u, 1u}) {
    pass(delta);
  }
  encoder.Seal();                    // as a write to the file does, within a run
  for (int i = 0; i < 70000; ++i) {  // longer than one run holds
    pass(3);
    if (i == 40000) {
      encoder.Seal();
    }
  }
  event(MakeKeyRecord(13, true), "d13");
  pass(2);
  if (ended) {
    encoder.End();
  } else {
    encoder.Seal();
  }
  session.bytes = encoder.Take();
  return session;
}

TEST(Recording, ReadsBackEveryTickAndEventCompactly) {
  for (const bool ended : {true, false}) {
    const Session session = SampleSession(ended);
    Recording recording;
    std::string fault;
    ASSERT_TRUE(ParseRecording(Bytes(session.bytes), recording, fault)) << fault;
    EXPECT_EQ(recording.cutShort, !ended);
    EXPECT_EQ(recording.itemsEnd, session.bytes.size());
    EXPECT_EQ(recording.programVersion, "torvelkan 0.1");
    EXPECT_EQ(recording.passes, 300u + 9u + 70000u + 1u);
    EXPECT_EQ(recording.durationMs,
              600ull + 63 + 64 + 127 + 128 + 1000000 + 0xFFFFFFFFull + 2 + 210000 + 2);
    EXPECT_EQ(RecordedSteps(recording), session.steps);
    // 70371 passes in runs: a few hundred bytes.
    EXPECT_LT(session.bytes.size(), 200u);
  }
}

TEST(Recording, NamesWhatIsWrongWithADamagedFile) {
  const std::string header = std::string("TVKREPLY\x01\x00", 10);
  struct Case {
    std::string bytes;
    std::string fault;
  };
  const std::vector<Case> cases = {
      {"TVKREPLZ", "not a recording of this game"},
      {"TVK", "holds no game: it stops inside its header"},
      {"GIF89a....", "not a recording of this game"},
      {"TVKREPLY\x02", "a recording in format 2; this program plays format 1"},
      {"TVKREPLY\xff\xff\xff\xff\x0f",
       "a recording in format 4294967295; this program plays format 1"},
      {"TVKREPLY\xff\xff\xff\xff\x1f", "damaged: a number over 32 bits at byte 8"},
      {"TVKREPLY\x01\x21", "damaged: a program version of 33 bytes at byte 9"},
      {"TVKREPLY\x01\x02"
       "a\n",
       "damaged: a program version that is not plain text at byte 11"},
      {"TVKREPLY\x01\x05"
       "ab",
       "holds no game: it stops inside its header"},
      {header, "holds no game: it stops at byte 10"},
      {header + "\x02", "holds no game: it stops at byte 11"},
      {header + "\x7f", "holds no game: it stops at byte 11"},
      {header + "\x02\x02\x80", "damaged: an unknown item 0x80 at byte 12"},
      {header + "\x02\x02\x45\x01", "damaged: an unknown item 0x45 at byte 12"},
      {header + "\x02\x43\x25\x02", "damaged: an input event before the game began at byte 11"},
      {header + std::string("\x02\x02\x41\x00\x02", 5), "damaged: a run of 0 passes at byte 12"},
      {header + "\x02\x02\x41\x80\x80\x04\x02", "damaged: a run of 65536 passes at byte 12"},
      {header + "\x02\x02\x40\x80\x80\x80\x80\x80", "damaged: a number over 32 bits at byte 13"},
      {header + "\x02\x02\x43\x80\x80\x04", "damaged: a key code of 65536 at byte 12"},
      {header + "\x02\x02\x44\x01", "damaged: an event of type 1 at byte 12"},
      {header + "\x02\x02\x7f\x02", "damaged: bytes after the end of the session at byte 13"},
  };
  for (const Case& c : cases) {
    Recording recording;
    std::string fault;
    EXPECT_FALSE(ParseRecording(Bytes(c.bytes), recording, fault)) << c.fault;
    EXPECT_EQ(fault, c.fault);
  }
}

TEST(Recording, ACutAnywherePlaysThePartBeforeIt) {
  // A short session with events, so that cuts fall inside every kind of item.
  ReplayEncoder encoder("t");
  encoder.Tick(5000);
  encoder.Tick(5002);
  for (std::uint32_t i = 1; i <= 40; ++i) {
    encoder.Tick(5002 + i * (i % 5 == 0 ? 300 : 2));
    if (i % 7 == 0) {
      encoder.Event(MakeKeyRecord(static_cast<std::uint16_t>(200 + i), i % 2 == 0));
    }
    if (i % 11 == 0) {
      encoder.Seal();
    }
  }
  encoder.End();
  const std::string whole = encoder.Take();
  Recording full;
  std::string fault;
  ASSERT_TRUE(ParseRecording(Bytes(whole), full, fault)) << fault;
  const std::vector<std::string> allSteps = RecordedSteps(full);

  std::size_t playable = 0;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    Recording recording;
    if (!ParseRecording(Bytes(whole.substr(0, cut)), recording, fault)) {
      EXPECT_EQ(fault.rfind("holds no game", 0), 0u) << "cut at " << cut << ": " << fault;
      continue;
    }
    ++playable;
    EXPECT_TRUE(recording.cutShort) << cut;
    EXPECT_LE(recording.itemsEnd, cut);
    const std::vector<std::string> steps = RecordedSteps(recording);
    ASSERT_LE(steps.size(), allSteps.size());
    EXPECT_TRUE(std::equal(steps.begin(), steps.end(), allSteps.begin())) << "cut at " << cut;
  }
  EXPECT_GT(playable, whole.size() / 2);
}

class RecordingFile : public ::testing::Test {
 public:
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

 protected:
  RecordingFile()
      : folder(std::filesystem::temp_directory_path() /
               ("torvelkan-recording-test-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()))) {
    std::filesystem::create_directories(folder);
  }
  ~RecordingFile() override { std::filesystem::remove_all(folder); }

  static std::string Fault(const std::string& path) {
    try {
      LoadRecording(path);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "(loaded)";
  }

  std::filesystem::path folder;
};

TEST_F(RecordingFile, OneLineForEveryFileThatIsNoRecording) {
  const std::string missing = (folder / "missing.tvr").string();
  EXPECT_EQ(Fault(missing), missing + ": cannot open: No such file or directory");
  EXPECT_EQ(Fault(folder.string()), folder.string() + ": a directory, not a recording");

  const std::string empty = (folder / "empty.tvr").string();
  std::ofstream(empty).close();
  EXPECT_EQ(Fault(empty), empty + ": an empty file, not a recording");

  // Sparse: it takes no room, but reads as 65 MiB of zeros.
  const std::string huge = (folder / "huge.tvr").string();
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 65u << 20);
  EXPECT_EQ(Fault(huge), huge + ": too large for a recording (over 64 MiB)");

  const std::string cut = (folder / "cut.tvr").string();
  const Session session = SampleSession(false);
  std::ofstream(cut, std::ios::binary) << session.bytes.substr(0, session.bytes.size() - 1);
  EXPECT_EQ(Fault(cut), "(loaded)");
  const Recording recording = LoadRecording(cut);
  EXPECT_TRUE(recording.cutShort);
  const std::string notice = CutShortNotice(cut, recording);
  EXPECT_EQ(notice.rfind(cut + ": cut short at byte ", 0), 0u) << notice;
  EXPECT_NE(notice.find(" of " + std::to_string(session.bytes.size() - 1) + ", "),
            std::string::npos)
      << notice;
}

}  // namespace
}  // namespace torvelkan::replay
