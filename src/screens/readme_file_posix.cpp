// Readme.txt on POSIX systems: regular files only, opened without ever waiting
// and read by read(2); the program's own path from /proc.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "screens/readme_file.h"
#include "screens/readme_file_system.h"

namespace torvelkan {
namespace {

constexpr const char* kReadmeName = "Readme.txt";
// Far beyond any real path; a link that long is no program of ours.
constexpr std::size_t kMaxExecutablePath = 65536;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

// name, open, if it is a regular file; missing tells whether nothing at all
// goes by that name.
ReadmeHandle OpenRegular(const char* name, bool& missing) {
  // Looked at first so that a device is never even opened: opening one can
  // have effects of its own.
  struct stat info {};
  const int statResult = stat(name, &info);
  missing = statResult != 0 && errno == ENOENT;
  if (statResult != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  // O_NONBLOCK: should the name have become a FIFO meanwhile, the open returns
  // at once instead of waiting for a writer, and the check below turns it away.
  ReadmeHandle file(open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.IsOpen() || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  return file;
}

// The names in folder that differ from Readme.txt only in letter case, in
// byte order so that the choice among several is always the same.
std::vector<std::string> OtherCasings(const std::string& folder) {
  std::vector<std::string> names;
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) {
    return names;
  }
  const std::string wanted = kReadmeName;
  while (const dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name != wanted && SameIgnoringCase(name, wanted)) {
      names.push_back(name);
    }
  }
  closedir(directory);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

ReadmeNativeHandle ReadmeHandleTraits::None() noexcept { return -1; }

void ReadmeHandleTraits::Close(Handle handle) noexcept { close(handle); }

ReadmeHandle OpenReadmeIn(const std::string& folder, bool& found) {
  const std::string prefix = folder + "/";
  bool missing = false;
  ReadmeHandle file = OpenRegular((prefix + kReadmeName).c_str(), missing);
  found = !missing;
  if (found) {
    // Found, or there but no regular file, or refused: as on a system that
    // ignores case, where no other spelling could stand beside it.
    return file;
  }
  for (const std::string& name : OtherCasings(folder)) {
    found = true;
    file = OpenRegular((prefix + name).c_str(), missing);
    if (file.IsOpen()) {
      return file;
    }
  }
  return {};
}

std::size_t ReadSome(const ReadmeHandle& file, unsigned char* buffer, std::size_t count) {
  for (;;) {
    const ssize_t got = read(file.Get(), buffer, count);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
}

std::string ExecutablePath() {
  // Linux names the running program's file here, links resolved, so an
  // install reached through a link or moved as a whole still finds its data.
  std::string path(256, '\0');
  while (path.size() <= kMaxExecutablePath) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) {
      return "";
    }
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);  // perhaps cut short: once more with room
  }
  return "";
}

}  // namespace torvelkan
