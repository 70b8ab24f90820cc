// A recording checked from end to end before anything plays: the bytes, where
// its sound part ends and what it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvelkan::replay {

struct Recording {
  std::vector<std::uint8_t> bytes;
  std::size_t itemsBegin = 0;  // just after the header
  std::size_t itemsEnd = 0;    // the end of the part that plays
  bool cutShort = false;       // the file stops before the session's end
  std::uint64_t passes = 0;    // steps of the game, after the two reads of the App's start
  std::uint64_t durationMs = 0;
  std::string programVersion;
};

// Checks the bytes of a recording. On a fault, false with one line saying
// what is wrong (without the file's name).
bool ParseRecording(std::vector<std::uint8_t> bytes, Recording& recording, std::string& fault);

// Reads and checks a file. Throws FileFault (replay/file_fault.h), one line
// naming the file: missing, unreadable, not a regular file, empty, too big,
// or no recording.
Recording LoadRecording(const std::string& path);

// The line a replay of a file cut short ends with, naming where it stops;
// shownName is the file's name as it may be printed.
std::string CutShortNotice(const std::string& shownName, const Recording& recording);

}  // namespace torvelkan::replay
