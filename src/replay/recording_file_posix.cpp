// Recording files on POSIX systems: open(2) without waiting, fstat(2) before
// anything is read, a new file beside the old one and rename(2) over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "replay/file_fault.h"
#include "replay/recording_file.h"

namespace torvelkan::replay {
namespace {

using Handle = UniqueHandle<RecordingHandleTraits>;

// The new file's name is the old one's after a dot, cut to leave room in the
// system's limit of 255 bytes for the rest.
constexpr std::size_t kLongestNameKept = 200;
constexpr int kNamesTried = 100;

// What stands at a name that is no regular file.
std::string NotARecording(mode_t mode) {
  const char* what = S_ISDIR(mode)                    ? "a directory"
                     : S_ISFIFO(mode)                 ? "a pipe"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                      : "not a regular file";
  return std::string(what) + ", not a recording";
}

std::string CannotWrite(int error) {
  return std::string("cannot write the recording: ") + std::strerror(error);
}

// O_NONBLOCK: a FIFO opens at once, whoever is at its other end (or an error
// says that no one is), instead of holding the start; later writes wait as
// usual.
Handle OpenWithoutWaiting(const std::string& path, int flags) {
  Handle file(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666));
  if (file.IsOpen()) {
    const int status = fcntl(file.Get(), F_GETFL);
    if (status == -1 || fcntl(file.Get(), F_SETFL, status & ~O_NONBLOCK) == -1) {
      return {};
    }
  }
  return file;
}

// A pipe or a character device at path, opened to be written straight.
Handle OpenSpecial(const std::string& path, const struct stat& info) {
  if (!S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode)) {
    throw FileFault(path, "cannot write the recording: not a regular file");
  }
  Handle file = OpenWithoutWaiting(path, O_WRONLY);
  if (!file.IsOpen()) {
    if (errno == ENXIO && S_ISFIFO(info.st_mode)) {
      throw FileFault(path, "cannot write the recording: no program reads from this pipe");
    }
    throw FileFault(path, CannotWrite(errno));
  }
  // The game's own screen: its bytes there would scramble what the game draws.
  if (isatty(file.Get()) != 0) {
    throw FileFault(path, "cannot write the recording: a terminal, not a file");
  }
  return file;
}

}  // namespace

RecordingNativeHandle RecordingHandleTraits::None() noexcept { return -1; }

void RecordingHandleTraits::Close(Handle handle) noexcept { close(handle); }

std::vector<std::uint8_t> ReadRecordingFile(const std::string& path, std::uint64_t maxBytes) {
  // Looked at first so that a device is never opened: opening one can have
  // effects of its own.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    throw FileFault(path, std::string("cannot open: ") + std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) {
    throw FileFault(path, NotARecording(info.st_mode));
  }
  // Should the name have become a FIFO meanwhile, O_NONBLOCK opens it at once
  // instead of waiting for a writer, and the check after turns it away.
  const Handle file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.IsOpen()) {
    throw FileFault(path, std::string("cannot open: ") + std::strerror(errno));
  }
  if (fstat(file.Get(), &info) != 0) {
    throw FileFault(path, std::string("cannot read: ") + std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) {
    throw FileFault(path, NotARecording(info.st_mode));
  }
  const auto tooLarge = [&path, maxBytes] {
    return FileFault(path,
                     "too large for a recording (over " + std::to_string(maxBytes >> 20) + " MiB)");
  };
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    throw tooLarge();  // refused unread
  }
  std::vector<std::uint8_t> bytes;
  std::array<std::uint8_t, 1 << 16> buffer{};
  for (;;) {
    const ssize_t got = read(file.Get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      throw FileFault(path, std::string("cannot read: ") + std::strerror(errno));
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
  made.file = OpenWithoutWaiting(path, O_WRONLY | O_CREAT | O_TRUNC);
  if (!made.file.IsOpen()) {
    throw FileFault(path, CannotWrite(errno));
  }
  return made;
}

RecordingFile RecordingFile::Replacing(const std::string& path) {
  RecordingFile made;
  made.path = path;
  made.target = path;
  struct stat info {};
  const bool there = stat(path.c_str(), &info) == 0;
  if (!there && errno != ENOENT) {
    throw FileFault(path, CannotWrite(errno));
  }
  if (there && S_ISDIR(info.st_mode)) {
    throw FileFault(path, CannotWrite(EISDIR));
  }
  if (there && !S_ISREG(info.st_mode)) {
    made.file = OpenSpecial(path, info);
    return made;
  }
  // The place of the old file: through a link, the file it leads to, so that
  // the link stays and leads to the new recording.
  if (there) {
    if (access(path.c_str(), W_OK) != 0) {
      throw FileFault(path, CannotWrite(errno));  // as the old file itself says
    }
    if (char* real = realpath(path.c_str(), nullptr); real != nullptr) {
      made.target = real;
      std::free(real);  // NOLINT(cppcoreguidelines-no-malloc): realpath's own allocation
    }
  }
  const std::size_t slash = made.target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : made.target.substr(0, slash + 1);
  const std::string name = made.target.substr(folder.size()).substr(0, kLongestNameKept);
  int error = 0;
  for (int attempt = 0; attempt < kNamesTried && !made.file.IsOpen(); ++attempt) {
    // O_EXCL: never a file that someone else put there first.
    // Put together piece by piece: GCC 12 takes "-" + a temporary string for
    // an overlapping copy when optimising (-Wrestrict), which fails the build.
    made.temporary = folder;
    made.temporary += '.';
    made.temporary += name;
    made.temporary += '.';
    made.temporary += std::to_string(getpid());
    made.temporary += '-';
    made.temporary += std::to_string(attempt);
    made.temporary += ".part";
    made.file.Reset(
        open(made.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    error = errno;
    if (!made.file.IsOpen() && error != EEXIST) {
      break;
    }
  }
  if (!made.file.IsOpen()) {
    made.temporary.clear();
    throw FileFault(path, CannotWrite(error));
  }
  if (there) {
    fchmod(made.file.Get(), info.st_mode & 0777);  // the old file's permissions
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
  if (!temporary.empty()) {
    unlink(temporary.c_str());
    temporary.clear();
  }
  return close(file.Release()) == 0 ? 0 : errno;
}

int RecordingFile::Write(const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t wrote = write(file.Get(), bytes, count);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      return wrote < 0 ? errno : EIO;
    }
    bytes += wrote;
    count -= static_cast<std::size_t>(wrote);
  }
  return 0;
}

int RecordingFile::Commit() {
  if (temporary.empty()) {
    return 0;
  }
  // On the disk before the name: a machine that stops just after the rename
  // still finds the game under it, not an empty file.
  if (fsync(file.Get()) != 0 && errno != EINVAL) {
    return errno;
  }
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    return errno;
  }
  temporary.clear();
  return 0;
}

std::string RecordingFile::ErrorText(int error) { return std::strerror(error); }

}  // namespace torvelkan::replay
