// Readme.txt on Windows: CreateFileA in the current directory, regular files only.
#include "common/windows_api.h"

#include <algorithm>

#include "screens/readme_file.h"

namespace torvelkan {
namespace {

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

}  // namespace

bool ReadReadmeFile(std::size_t maxBytes, const ReadmeBlock& block) {
  // No directory part: the current directory. No sharing while it is read;
  // the file system ignores letter case by itself.
  const HANDLE handle = CreateFileA("Readme.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  const FileHandle file(handle);
  if (!IsRegularFile(file.Get())) {
    return false;
  }
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
