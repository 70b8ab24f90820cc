// Where Readme.txt is looked for, from the program's path and the folders the
// build chose: each row is an installation and the folders it must try.
#include "screens/readme_places.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvelkan {
namespace {

TEST(ReadmeFolders, TheCurrentDirectoryThenBesideTheProgramThenTheBuiltInFolderThenTheProgramsOwn) {
  struct Case {
    const char* what;
    const char* executable;
    const char* fromBinary;
    const char* builtIn;
    std::vector<std::string> folders;
  };
  const std::vector<Case> cases = {
      {"Debian's games",
       "/usr/games/torvelkan",
       "../share/games/torvelkan",
       "/usr/share/games/torvelkan",
       {".", "/usr/games/../share/games/torvelkan", "/usr/share/games/torvelkan", "/usr/games"}},
      {"an install moved elsewhere",
       "/opt/tv/bin/torvelkan",
       "../share/torvelkan",
       "/usr/local/share/torvelkan",
       {".", "/opt/tv/bin/../share/torvelkan", "/usr/local/share/torvelkan", "/opt/tv/bin"}},
      {"a program at the root",
       "/torvelkan",
       "../share/torvelkan",
       "/usr/share/torvelkan",
       {".", "/../share/torvelkan", "/usr/share/torvelkan", "/"}},
      {"Windows",
       "C:/Games/Torvelkan/bin/torvelkan.exe",
       "../share/torvelkan",
       "C:/Program Files/Torvelkan/share/torvelkan",
       {".", "C:/Games/Torvelkan/bin/../share/torvelkan",
        "C:/Program Files/Torvelkan/share/torvelkan", "C:/Games/Torvelkan/bin"}},
      {"a data folder given whole",
       "/usr/bin/torvelkan",
       "/srv/torvelkan",
       "/usr/share/tv",
       {".", "/srv/torvelkan", "/usr/share/tv", "/usr/bin"}},
      {"a data folder on another drive",
       "C:/bin/torvelkan.exe",
       "D:/data",
       "",
       {".", "D:/data", "C:/bin"}},
      {"the program's path unknown",
       "",
       "../share/torvelkan",
       "/usr/share/torvelkan",
       {".", "/usr/share/torvelkan"}},
      {"a path with no folder",
       "torvelkan",
       "../share/torvelkan",
       "/usr/share/torvelkan",
       {".", "/usr/share/torvelkan"}},
      {"the same folder twice is tried once",
       "/usr/games/torvelkan",
       "/usr/share/tv",
       "/usr/share/tv",
       {".", "/usr/share/tv", "/usr/games"}},
      {"the current directory named again",
       "/usr/games/torvelkan",
       "../share/tv",
       ".",
       {".", "/usr/games/../share/tv", "/usr/games"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadmeFolders(c.executable, c.fromBinary, c.builtIn), c.folders) << c.what;
  }
}

// Debian's package is made from build folders configured for any prefix; its
// game finds the text by the name of the folder it is in.
TEST(GamesDataBeside, OnlyForAProgramInAFolderNamedGames) {
  EXPECT_EQ(GamesDataBeside("/usr/games/torvelkan"), "/usr/games/../share/games/torvelkan");
  EXPECT_EQ(GamesDataBeside("games/torvelkan"), "games/../share/games/torvelkan");
  EXPECT_EQ(GamesDataBeside("/usr/bin/torvelkan"), "");
  EXPECT_EQ(GamesDataBeside("/usr/games/bin/torvelkan"), "");
  EXPECT_EQ(GamesDataBeside("/usr/oldgames/torvelkan"), "");
  EXPECT_EQ(GamesDataBeside("/torvelkan"), "");
  EXPECT_EQ(GamesDataBeside(""), "");
}

}  // namespace
}  // namespace torvelkan
