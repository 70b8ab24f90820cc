// The system's side of the readme reader: opening Readme.txt in a folder and
// reading it, which readme_file_posix.cpp and readme_file_windows.cpp define.
#pragma once

#include <cstddef>
#include <string>

#include "common/unique_handle.h"

namespace torvelkan {

#ifdef _WIN32
using ReadmeNativeHandle = void*;  // a HANDLE: this header stays free of <windows.h>
#else
using ReadmeNativeHandle = int;  // a file descriptor
#endif

struct ReadmeHandleTraits {
  using Handle = ReadmeNativeHandle;
  static Handle None() noexcept;
  static void Close(Handle handle) noexcept;
};

// An open Readme.txt, closed on every way out, a throwing block included.
using ReadmeHandle = UniqueHandle<ReadmeHandleTraits>;

// Readme.txt in folder, opened for reading if it is a regular file; none
// otherwise (see ReadReadmeFileFrom for what counts). found tells whether
// anything at all goes by that name there, opened or not.
ReadmeHandle OpenReadmeIn(const std::string& folder, bool& found);

// Reads at most count bytes into buffer: how many came, or 0 at the end of
// the file or on a failed read.
std::size_t ReadSome(const ReadmeHandle& file, unsigned char* buffer, std::size_t count);

}  // namespace torvelkan
