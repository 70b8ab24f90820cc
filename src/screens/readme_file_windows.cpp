// Readme.txt on Windows: CreateFileW, regular files only, read by ReadFile;
// the program's own path from GetModuleFileNameW.
#include "common/windows_api.h"

#include <algorithm>
#include <string>
#include <type_traits>

#include "screens/readme_file.h"
#include "screens/readme_file_system.h"

namespace torvelkan {
namespace {

// Far beyond any real path (the system's own limit is 32767 characters).
constexpr DWORD kMaxPathCharacters = 65536;

static_assert(std::is_same_v<HANDLE, ReadmeNativeHandle>, "the readme's handle is a HANDLE");

// A disk file that is no directory; pipes and devices are turned away.
bool IsRegularFile(HANDLE handle) {
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    return false;
  }
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Paths travel as UTF-8 and meet the system as UTF-16, so that a folder name
// in any script survives the way.
std::wstring Widen(const std::string& text) {
  if (text.empty()) {
    return {};
  }
  const int count =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(count, 0)), L'\0');
  if (count > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
  }
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) {
    return {};
  }
  const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(count, 0)), '\0');
  if (count > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), count,
                        nullptr, nullptr);
  }
  return text;
}

}  // namespace

ReadmeNativeHandle ReadmeHandleTraits::None() noexcept { return INVALID_HANDLE_VALUE; }

void ReadmeHandleTraits::Close(Handle handle) noexcept { CloseHandle(handle); }

// No sharing while it is read; the file system ignores letter case by itself.
// A file held by another program, a directory or one refused to the player
// is there all the same.
ReadmeHandle OpenReadmeIn(const std::string& folder, bool& found) {
  const std::wstring path = Widen(folder + "/Readme.txt");
  ReadmeHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = file.IsOpen() ? ERROR_SUCCESS : GetLastError();
  found = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  if (!file.IsOpen() || !IsRegularFile(file.Get())) {
    return {};
  }
  return file;
}

std::size_t ReadSome(const ReadmeHandle& file, unsigned char* buffer, std::size_t count) {
  // A failed read leaves 0 here as the end of the file does, and means the
  // same to the reader, so its result is not examined.
  DWORD got = 0;
  ReadFile(file.Get(), buffer, static_cast<DWORD>(count), &got, nullptr);
  return got;
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  while (path.size() <= kMaxPathCharacters) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return "";
    }
    if (length < path.size()) {
      path.resize(length);
      std::string text = Narrow(path);
      std::replace(text.begin(), text.end(), '\\', '/');
      return text;
    }
    path.resize(path.size() * 2);  // cut short: once more with room
  }
  return "";
}

}  // namespace torvelkan
