// Readme.txt on Windows: CreateFileW in each folder in turn, regular files only;
// the program's own path from GetModuleFileNameW.
#include "common/windows_api.h"

#include <algorithm>
#include <string>
#include <vector>

#include "screens/readme_file.h"

namespace torvelkan {
namespace {

// Far beyond any real path (the system's own limit is 32767 characters).
constexpr DWORD kMaxPathCharacters = 65536;

// Closes the handle on every way out, a throwing block included.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { CloseHandle(handle); }
  HANDLE Get() const { return handle; }

 private:
  HANDLE handle;
};

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

// The regular file Readme.txt in folder, opened for reading, or
// INVALID_HANDLE_VALUE. No sharing while it is read; the file system ignores
// letter case by itself.
HANDLE OpenReadmeIn(const std::string& folder) {
  const std::wstring path = Widen(folder + "/Readme.txt");
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE || IsRegularFile(handle)) {
    return handle;
  }
  CloseHandle(handle);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

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

bool ReadReadmeFileFrom(const std::vector<std::string>& folders, std::size_t maxBytes,
                        const ReadmeBlock& block) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (const std::string& folder : folders) {
    handle = OpenReadmeIn(folder);
    if (handle != INVALID_HANDLE_VALUE) {
      break;
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  const FileHandle file(handle);
  unsigned char buffer[kReadmeBlockBytes];
  std::size_t total = 0;
  while (total < maxBytes) {
    const DWORD wanted = static_cast<DWORD>(std::min(sizeof buffer, maxBytes - total));
    // A failed read leaves 0 here as the end of the file does: either ends
    // the loop and keeps what came before, so its result is not examined.
    DWORD got = 0;
    ReadFile(file.Get(), buffer, wanted, &got, nullptr);
    if (got == 0) {
      break;
    }
    block(buffer, static_cast<std::size_t>(got));
    total += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace torvelkan
