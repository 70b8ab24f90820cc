// Where Readme.txt is looked for: the current directory, then the data folder
// beside the running program, then the data folder the game was built for,
// then the running program's own folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvelkan {

// The folders in the order they are tried, with '/' between names.
// executablePath is the running program's own path ('/' between names; empty
// when unknown, which leaves that place out); dataFromBinary leads from the
// program's folder to its data ("../share/torvelkan"), or is absolute;
// builtInData is the data folder fixed when the game was built. The current
// directory comes first so that a player's own file always wins; a folder
// named twice is tried once. The program's own folder comes last.
std::vector<std::string> ReadmeFolders(std::string_view executablePath,
                                       std::string_view dataFromBinary,
                                       std::string_view builtInData);

// Debian's package keeps the game in /usr/games and its text in
// /usr/share/games/torvelkan, whatever folders the build it was made from was
// configured for: for a program in a folder named games, that data folder
// beside it ('/' between names); otherwise empty.
std::string GamesDataBeside(std::string_view executablePath);

// The same, for the running program as it was built and installed; a program
// in a folder named games tries GamesDataBeside last.
std::vector<std::string> ReadmeFolders();

}  // namespace torvelkan
