// The files of recordings on this system: one read whole, without ever
// waiting on a pipe or a device, and one written, which replaces the file of
// the same name only once it holds a game. recording_file_posix.cpp and
// recording_file_windows.cpp define them over each system's calls, with what
// they share in recording_file.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace torvelkan::replay {

#ifdef _WIN32
using RecordingNativeHandle = void*;  // a HANDLE: this header stays free of <windows.h>
#else
using RecordingNativeHandle = int;  // a file descriptor
#endif

struct RecordingHandleTraits {
  using Handle = RecordingNativeHandle;
  static Handle None() noexcept;
  static void Close(Handle handle) noexcept;
};

// The bytes of the regular file at path, read whole. Anything else (a
// directory, a pipe, a device) is refused before it is opened for reading,
// and nothing waits on a writer. Throws FileFault (replay/file_fault.h): a
// file that is missing, cannot be read, is no regular file, or holds more
// than maxBytes.
std::vector<std::uint8_t> ReadRecordingFile(const std::string& path, std::uint64_t maxBytes);

// How many new names Replacing tries before it gives up.
inline constexpr int kTemporaryNamesTried = 100;

// The name of the new file that stands in for target until it is put in
// place: hidden, in target's own folder (whatever ends at the last of
// separators), named after target, this process and the attempt.
std::string TemporaryNameFor(const std::string& target, const char* separators,
                             unsigned long process, int attempt);

// The file a recording is written to: a move-only owner, whose destruction
// closes it and removes a new file never put in place.
class RecordingFile {
 public:
  // The file at path itself, created or emptied at once.
  static RecordingFile Create(const std::string& path);

  // A new recording for path that leaves what is there untouched until
  // Commit: it is written to a new file in the same folder, which Commit
  // renames over path, so that path always holds either the old file or the
  // new one. Where path is a pipe or a device (not a terminal), it is written
  // straight and Commit does nothing. Refused, with a FileFault, before
  // anything is written: a directory, a terminal, a pipe that no program
  // reads, a file the player may not write, a folder where nothing can be
  // created.
  static RecordingFile Replacing(const std::string& path);

  RecordingFile(RecordingFile&& other) noexcept = default;
  RecordingFile& operator=(RecordingFile&& other) noexcept;
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;
  ~RecordingFile();

  // The name the player gave.
  const std::string& Path() const { return path; }

  // Writes all of bytes: 0, or the system's error.
  int Write(const char* bytes, std::size_t count);
  // Puts the new file in place of the old (once; later calls do nothing):
  // 0, or the system's error, the old file then still there.
  int Commit();
  // Closes the file, removing a new one never put in place: 0, or the
  // system's error.
  int Close() noexcept;
  // The words for an error that Write, Commit or Close returned.
  static std::string ErrorText(int error);

 private:
  RecordingFile() = default;

  UniqueHandle<RecordingHandleTraits> file;
  std::string path;       // as the player gave it
  std::string target;     // where the recording goes: path, or the file a link at path leads to
  std::string temporary;  // the new file until Commit, else empty
};

}  // namespace torvelkan::replay
