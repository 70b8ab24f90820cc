// Recording files on Windows: CreateFileA, disk files only for reading, a new
// file beside the old one and MoveFileExA over it. Paths are in the program's
// code page, as its command line gives them.
#include "common/windows_api.h"

#include <array>
#include <string>
#include <system_error>
#include <type_traits>

#include "replay/file_fault.h"
#include "replay/recording_file.h"

namespace torvelkan::replay {
namespace {

using Handle = UniqueHandle<RecordingHandleTraits>;

static_assert(std::is_same_v<HANDLE, RecordingNativeHandle>, "a recording's handle is a HANDLE");

constexpr std::size_t kLongestNameKept = 200;
constexpr int kNamesTried = 100;

std::string Words(DWORD error) {
  std::string text = std::system_category().message(static_cast<int>(error));
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

std::string CannotWrite(DWORD error) { return "cannot write the recording: " + Words(error); }

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The console the game draws on: its bytes there would scramble the screen.
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

RecordingNativeHandle RecordingHandleTraits::None() noexcept { return INVALID_HANDLE_VALUE; }

void RecordingHandleTraits::Close(Handle handle) noexcept { CloseHandle(handle); }

std::vector<std::uint8_t> ReadRecordingFile(const std::string& path, std::uint64_t maxBytes) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw FileFault(path, "a directory, not a recording");
  }
  // Shared for writing: a recording still being written can be watched.
  const Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) {
    throw FileFault(path, "cannot open: " + Words(GetLastError()));
  }
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    throw FileFault(path, "not a regular file, not a recording");
  }
  const auto tooLarge = [&path, maxBytes] {
    return FileFault(path,
                     "too large for a recording (over " + std::to_string(maxBytes >> 20) + " MiB)");
  };
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.Get(), &size) != 0 &&
      static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
    throw tooLarge();  // refused unread
  }
  std::vector<std::uint8_t> bytes;
  std::array<std::uint8_t, 1 << 16> buffer{};
  for (;;) {
    DWORD got = 0;
    if (ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) ==
        0) {
      throw FileFault(path, "cannot read: " + Words(GetLastError()));
    }
    if (got == 0) {
      return bytes;
    }
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    if (bytes.size() > maxBytes) {
      throw tooLarge();  // it grew while being read
    }
  }
}

RecordingFile RecordingFile::Create(const std::string& path) {
  RecordingFile made;
  made.path = path;
  made.target = path;
  made.file.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!made.file.IsOpen()) {
    throw FileFault(path, CannotWrite(GetLastError()));
  }
  return made;
}

RecordingFile RecordingFile::Replacing(const std::string& path) {
  RecordingFile made;
  made.path = path;
  made.target = path;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && !IsMissing(GetLastError())) {
    throw FileFault(path, CannotWrite(GetLastError()));
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw FileFault(path, CannotWrite(ERROR_DIRECTORY));
    }
    // Opened without emptying it: may it be written at all, and is it a disk
    // file, or a device such as NUL that is written straight?
    Handle there(CreateFileA(path.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!there.IsOpen()) {
      throw FileFault(path, CannotWrite(GetLastError()));
    }
    if (GetFileType(there.Get()) != FILE_TYPE_DISK) {
      if (IsConsole(there.Get())) {
        throw FileFault(path, "cannot write the recording: a console, not a file");
      }
      made.file = std::move(there);
      return made;
    }
  }
  const std::size_t slash = path.find_last_of("/\\:");
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = path.substr(folder.size()).substr(0, kLongestNameKept);
  DWORD error = 0;
  for (int attempt = 0; attempt < kNamesTried && !made.file.IsOpen(); ++attempt) {
    // CREATE_NEW: never a file that someone else put there first. Shared for
    // deleting, so that the file can be renamed while it is open.
    made.temporary = folder;
    // Put together piece by piece, as on POSIX: GCC 12 fails the optimised
    // build on "-" + a temporary string (-Wrestrict).
    made.temporary += '.';
    made.temporary += name;
    made.temporary += '.';
    made.temporary += std::to_string(GetCurrentProcessId());
    made.temporary += '-';
    made.temporary += std::to_string(attempt);
    made.temporary += ".part";
    made.file.Reset(CreateFileA(made.temporary.c_str(), GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    error = GetLastError();
    if (!made.file.IsOpen() && error != ERROR_FILE_EXISTS) {
      break;
    }
  }
  if (!made.file.IsOpen()) {
    made.temporary.clear();
    throw FileFault(path, CannotWrite(error));
  }
  return made;
}

RecordingFile& RecordingFile::operator=(RecordingFile&& other) noexcept {
  if (this != &other) {
    Close();
    file = std::move(other.file);
    path = std::move(other.path);
    target = std::move(other.target);
    temporary = std::move(other.temporary);
  }
  return *this;
}

RecordingFile::~RecordingFile() { Close(); }

int RecordingFile::Close() noexcept {
  if (!file.IsOpen()) {
    return 0;
  }
  const int error = CloseHandle(file.Release()) != 0 ? 0 : static_cast<int>(GetLastError());
  if (!temporary.empty()) {
    DeleteFileA(temporary.c_str());
    temporary.clear();
  }
  return error;
}

int RecordingFile::Write(const char* bytes, std::size_t count) {
  while (count > 0) {
    DWORD wrote = 0;
    const DWORD part = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    if (WriteFile(file.Get(), bytes, part, &wrote, nullptr) == 0) {
      return static_cast<int>(GetLastError());
    }
    if (wrote == 0) {
      return ERROR_WRITE_FAULT;
    }
    bytes += wrote;
    count -= wrote;
  }
  return 0;
}

int RecordingFile::Commit() {
  if (temporary.empty()) {
    return 0;
  }
  // On the disk before the name: a machine that stops just after the move
  // still finds the game under it.
  FlushFileBuffers(file.Get());
  if (MoveFileExA(temporary.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    return static_cast<int>(GetLastError());
  }
  temporary.clear();
  return 0;
}

std::string RecordingFile::ErrorText(int error) { return Words(static_cast<DWORD>(error)); }

}  // namespace torvelkan::replay
