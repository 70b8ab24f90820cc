// Readme.txt from the current directory and the folders after it: what is
// opened, what is turned away, how it is read. Each test works in a fresh
// temporary directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "common/keys.h"
#include "screens/readme_file.h"
#include "screens/readme_places.h"
#include "screens/readme_viewer.h"

namespace torvelkan {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOpenError = "Nie mozna otworzyc pliku Readme.txt";

class ReadmeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "torvelkan-readme-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory = pattern;
    fs::current_path(directory);
  }
  void TearDown() override {
    fs::current_path(home);
    fs::remove_all(directory);
  }

  // The viewer's error line can only show where no installed game lends its
  // own Readme.txt from the folders after the current directory.
  static bool InstalledReadmeAnswers() {
    std::vector<std::string> installed = ReadmeFolders();
    installed.erase(installed.begin());
    return ReadReadmeFileFrom(installed, 1, [](const unsigned char*, std::size_t) {});
  }

  static void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }

  // The text a new viewer loads, or a failure if it takes more than a few
  // seconds: a viewer waiting on a pipe would otherwise hang the test run.
  // A long text comes back cut short, to keep a failure's message readable.
  static std::string LoadedText() {
    auto loading = std::async(std::launch::async, [] { return ReadmeViewer().Text(); });
    if (loading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "the viewer is waiting on Readme.txt";
      // A writer that comes and goes gives a waiting reader its end of file.
      close(open("Readme.txt", O_WRONLY | O_NONBLOCK));
    }
    const std::string text = loading.get();
    return text.size() <= 100
               ? text
               : text.substr(0, 100) + "... " + std::to_string(text.size()) + " bytes";
  }

  // The sizes of the blocks the reader hands over, and their bytes.
  struct Read {
    bool opened;
    std::vector<std::size_t> blocks;
    std::string bytes;
  };
  static Read ReadAll(std::size_t maxBytes, const std::vector<std::string>& folders = {"."}) {
    Read read{};
    read.opened =
        ReadReadmeFileFrom(folders, maxBytes, [&](const unsigned char* bytes, std::size_t count) {
          read.blocks.push_back(count);
          read.bytes.append(reinterpret_cast<const char*>(bytes), count);
        });
    return read;
  }

  fs::path home;
  fs::path directory;
};

TEST_F(ReadmeFile, WithoutTheFileTheViewerShowsTheErrorLine) {
  if (InstalledReadmeAnswers()) {
    GTEST_SKIP() << "an installed game's Readme.txt answers";
  }
  EXPECT_FALSE(ReadAll(1u << 20).opened);
  Write("Readme.md", "not this one");
  Write("Readme.txt.bak", "nor this one");
  EXPECT_EQ(LoadedText(), kOpenError);
}

TEST_F(ReadmeFile, IsReadInBlocksOf1024ToTheEndOrTheLimit) {
  std::string bytes;
  for (int i = 0; i < 2500; ++i) {
    bytes += static_cast<char>(i % 251);
  }
  Write("Readme.txt", bytes);
  const Read whole = ReadAll(1u << 20);
  EXPECT_TRUE(whole.opened);
  EXPECT_EQ(whole.blocks, (std::vector<std::size_t>{1024, 1024, 452}));
  EXPECT_EQ(whole.bytes, bytes);
  const Read part = ReadAll(1500);
  EXPECT_EQ(part.blocks, (std::vector<std::size_t>{1024, 476}));
  EXPECT_EQ(part.bytes, bytes.substr(0, 1500));
}

TEST_F(ReadmeFile, AnEmptyFileOpensAndGivesAnEmptyText) {
  Write("Readme.txt", "");
  const Read read = ReadAll(1u << 20);
  EXPECT_TRUE(read.opened);
  EXPECT_TRUE(read.blocks.empty());
  EXPECT_EQ(LoadedText(), "");
}

TEST_F(ReadmeFile, AnotherSpellingOfTheNameIsTakenOnlyWhenTheExactOneIsMissing) {
  Write("readme.TXT", "lower");
  EXPECT_EQ(LoadedText(), "lower");
  Write("README.TXT", "upper");  // of several, the first in byte order
  EXPECT_EQ(LoadedText(), "upper");
  Write("Readme.txt", "exact");
  EXPECT_EQ(LoadedText(), "exact");
}

TEST_F(ReadmeFile, AnythingButARegularFileCountsAsMissingAndNothingWaits) {
  if (InstalledReadmeAnswers()) {
    GTEST_SKIP() << "an installed game's Readme.txt answers";
  }
  struct Case {
    const char* what;
    void (*make)();
  };
  const Case cases[] = {
      {"a directory", [] { fs::create_directory("Readme.txt"); }},
      {"a FIFO with no writer", [] { ASSERT_EQ(mkfifo("Readme.txt", 0600), 0); }},
      {"a link to a device", [] { fs::create_symlink("/dev/zero", "Readme.txt"); }},
      {"a link to a directory", [] { fs::create_symlink(".", "Readme.txt"); }},
      {"a dangling link", [] { fs::create_symlink("nowhere", "Readme.txt"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    EXPECT_EQ(LoadedText(), kOpenError);
    fs::remove_all("Readme.txt");
  }
  // A link to a regular file is that file.
  Write("target", "through the link");
  fs::create_symlink("target", "Readme.txt");
  EXPECT_EQ(LoadedText(), "through the link");
}

TEST_F(ReadmeFile, AFileRefusedToTheReaderCountsAsMissing) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root reads every file";
  }
  if (InstalledReadmeAnswers()) {
    GTEST_SKIP() << "an installed game's Readme.txt answers";
  }
  Write("Readme.txt", "secret");
  fs::permissions("Readme.txt", fs::perms::none);
  EXPECT_EQ(LoadedText(), kOpenError);
}

// The folders in their order: the first that holds a regular file wins, and
// one without (nothing, a FIFO, a directory, another letter case) passes on.
TEST_F(ReadmeFile, TheFirstFolderWithAFileWins) {
  for (const char* folder : {"empty", "fifo", "directory", "cased", "shipped", "built"}) {
    fs::create_directory(folder);
  }
  ASSERT_EQ(mkfifo("fifo/Readme.txt", 0600), 0);
  fs::create_directory("directory/Readme.txt");
  Write("cased/README.TXT", "cased");
  Write("shipped/Readme.txt", "shipped");
  Write("built/Readme.txt", "built");

  EXPECT_EQ(ReadAll(100, {"empty", "fifo", "directory", "shipped", "built"}).bytes, "shipped");
  EXPECT_EQ(ReadAll(100, {"empty", "built", "shipped"}).bytes, "built");
  EXPECT_EQ(ReadAll(100, {"fifo", "cased", "shipped"}).bytes, "cased");
  EXPECT_EQ(ReadAll(100, {".", "shipped"}).bytes, "shipped");
  Write("Readme.txt", "the player's own");
  EXPECT_EQ(ReadAll(100, {".", "shipped"}).bytes, "the player's own");
  EXPECT_EQ(ReadAll(100, {fs::absolute("shipped").string()}).bytes, "shipped");
  EXPECT_FALSE(ReadAll(100, {"empty", "fifo", "directory", "nowhere"}).opened);
  EXPECT_FALSE(ReadAll(100, {}).opened);
}

// In the current directory only a missing Readme.txt sends the viewer to the
// game's own copies: one there that cannot be opened is the error line.
TEST_F(ReadmeFile, OneThatCannotBeOpenedInTheCurrentDirectoryIsAnError) {
  fs::create_directory("shipped");
  Write("shipped/Readme.txt", "shipped");
  struct Case {
    const char* what;
    void (*make)();
    const char* shown;  // nullptr: the error line
  };
  const Case cases[] = {
      {"nothing", [] {}, "shipped"},
      {"a dangling link", [] { fs::create_symlink("nowhere", "Readme.txt"); }, "shipped"},
      {"a directory", [] { fs::create_directory("Readme.txt"); }, nullptr},
      {"a FIFO with no writer", [] { ASSERT_EQ(mkfifo("Readme.txt", 0600), 0); }, nullptr},
      {"a link to a device", [] { fs::create_symlink("/dev/zero", "Readme.txt"); }, nullptr},
      {"a directory in another case", [] { fs::create_directory("README.TXT"); }, nullptr},
      {"a file refused to the reader",
       [] {
         Write("Readme.txt", "secret");
         fs::permissions("Readme.txt", fs::perms::none);
       },
       geteuid() == 0 ? "secret" : nullptr},  // root reads every file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    const Read read = ReadAll(100, {".", "shipped"});
    EXPECT_EQ(read.opened, c.shown != nullptr);
    EXPECT_EQ(read.bytes, c.shown != nullptr ? c.shown : "");
    fs::remove_all("Readme.txt");
    fs::remove_all("README.TXT");
  }
}

// The running program's path is this test program's own.
TEST_F(ReadmeFile, TheProgramKnowsItsOwnPath) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe")) << path;
}

TEST_F(ReadmeFile, AFileOverSixteenMebibytesIsReadUpToTheLimit) {
  const std::size_t limit = std::size_t{16} * 1024u * 1024u;
  std::string bytes(limit + 5000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = i % 61 == 60 ? '\n' : static_cast<char>('A' + (i / 1024) % 26);
  }
  Write("Readme.txt", bytes);
  ReadmeViewer viewer;
  EXPECT_EQ(viewer.Text().size(), limit);
  EXPECT_TRUE(viewer.Text() == bytes.substr(0, limit));
  // One break in every 61 bytes, at 60, 121, 182, ...
  EXPECT_EQ(viewer.CountLineBreaks(), static_cast<std::int32_t>(limit / 61));
}

}  // namespace
}  // namespace torvelkan
