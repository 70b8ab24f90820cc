// Readme.txt on POSIX systems: regular files only, opened without ever waiting;
// the program's own path from /proc.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "screens/readme_file.h"

namespace torvelkan {
namespace {

constexpr const char* kReadmeName = "Readme.txt";
// Far beyond any real path; a link that long is no program of ours.
constexpr std::size_t kMaxExecutablePath = 65536;

// Closes the descriptor on every way out, a throwing block included.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { close(fd); }
  int Get() const { return fd; }

 private:
  int fd;
};

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

// A descriptor for name if it is a regular file, or -1; missing tells whether
// nothing at all goes by that name.
int OpenRegular(const char* name, bool& missing) {
  // Looked at first so that a device is never even opened: opening one can
  // have effects of its own.
  struct stat info {};
  const int statResult = stat(name, &info);
  missing = statResult != 0 && errno == ENOENT;
  if (statResult != 0 || !S_ISREG(info.st_mode)) {
    return -1;
  }
  // O_NONBLOCK: should the name have become a FIFO meanwhile, the open returns
  // at once instead of waiting for a writer, and the check below turns it away.
  const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return -1;
  }
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
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

int OpenReadmeIn(const std::string& folder) {
  const std::string prefix = folder + "/";
  bool missing = false;
  const int fd = OpenRegular((prefix + kReadmeName).c_str(), missing);
  if (fd >= 0 || !missing) {
    // Found, or there but no regular file, or refused: as on a system that
    // ignores case, where no other spelling could stand beside it.
    return fd;
  }
  for (const std::string& name : OtherCasings(folder)) {
    const int other = OpenRegular((prefix + name).c_str(), missing);
    if (other >= 0) {
      return other;
    }
  }
  return -1;
}

int OpenReadme(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    const int fd = OpenReadmeIn(folder);
    if (fd >= 0) {
      return fd;
    }
  }
  return -1;
}

}  // namespace

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

bool ReadReadmeFileFrom(const std::vector<std::string>& folders, std::size_t maxBytes,
                        const ReadmeBlock& block) {
  const int fd = OpenReadme(folders);
  if (fd < 0) {
    return false;
  }
  const FileHandle file(fd);
  unsigned char buffer[kReadmeBlockBytes];
  std::size_t total = 0;
  while (total < maxBytes) {
    const std::size_t wanted = std::min(sizeof buffer, maxBytes - total);
    const ssize_t got = read(file.Get(), buffer, wanted);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;  // the end, or a failed read: what came before is kept
    }
    block(buffer, static_cast<std::size_t>(got));
    total += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace torvelkan
