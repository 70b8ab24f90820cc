// Reading Readme.txt from the current directory: the one file the game opens.
#pragma once

#include <cstddef>
#include <functional>

namespace torvelkan {

// Receives the file's bytes in order, one block at a time.
using ReadmeBlock = std::function<void(const unsigned char* bytes, std::size_t count)>;

// Where the viewer's text comes from: the file below, or text in memory for
// the tests. Returns false when there is nothing to open.
using ReadmeSource = std::function<bool(std::size_t maxBytes, const ReadmeBlock& block)>;

inline constexpr std::size_t kReadmeBlockBytes = 1024;

// Opens "Readme.txt" for reading and hands its bytes to block in pieces of at
// most 1024, until the end of the file, a failed read or maxBytes in all.
// Only a regular file counts: anything else named so (a directory, a pipe, a
// device) is treated as missing, and nothing here ever waits for a writer.
// Where file names are case-sensitive, a name that differs only in letter case
// is taken when the exact one is missing. Returns false, having read nothing,
// when no such file can be opened. The file is closed before returning.
bool ReadReadmeFile(std::size_t maxBytes, const ReadmeBlock& block);

}  // namespace torvelkan
