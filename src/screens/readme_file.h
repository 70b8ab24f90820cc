// Reading Readme.txt: the one file the game opens, from the first folder that has it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace torvelkan {

// Receives the file's bytes in order, one block at a time.
using ReadmeBlock = std::function<void(const unsigned char* bytes, std::size_t count)>;

// Where the viewer's text comes from: the file below, or text in memory for
// the tests. Returns false when there is nothing to open.
using ReadmeSource = std::function<bool(std::size_t maxBytes, const ReadmeBlock& block)>;

inline constexpr std::size_t kReadmeBlockBytes = 1024;

// The current directory, as ReadReadmeFileFrom's folders name it.
inline constexpr const char* kCurrentFolder = ".";

// Opens "Readme.txt" in the first of folders that holds one ('/' between
// names; "." is the current directory) and hands its bytes to block in pieces
// of at most 1024, until the end of the file, a failed read or maxBytes in all.
// Only a regular file counts: anything else named so (a directory, a pipe, a
// device), like a file that cannot be opened, is passed over for the next
// folder, and nothing here ever waits for a writer; but in the current
// directory such a name ends the search, as no Readme.txt: only a missing
// file there sends the search on. Where file names are case-sensitive, a name
// in a folder that differs only in letter case is taken when the exact one is
// missing there. Returns false, having read nothing, when no folder has such
// a file. The file is closed before returning.
bool ReadReadmeFileFrom(const std::vector<std::string>& folders, std::size_t maxBytes,
                        const ReadmeBlock& block);

// The same over ReadmeFolders() (screens/readme_places.h): the current
// directory, the data folder beside the program, the one it was built for.
bool ReadReadmeFile(std::size_t maxBytes, const ReadmeBlock& block);

// The running program's own path with '/' between names, or "" where the
// system does not tell.
std::string ExecutablePath();

}  // namespace torvelkan
