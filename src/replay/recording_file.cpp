// What the recording files of every system share: the new file's name and
// the owner's move and end.
#include "replay/recording_file.h"

#include <utility>

namespace torvelkan::replay {
namespace {
// The new file's name is the old one's after a dot, cut to leave room in the
// systems' limit of 255 bytes for the rest.
constexpr std::size_t kLongestNameKept = 200;
}  // namespace

std::string TemporaryNameFor(const std::string& target, const char* separators,
                             unsigned long process, int attempt) {
  const std::size_t slash = target.find_last_of(separators);
  const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  // Appended piece by piece: GCC 12 takes "." + a temporary string for an
  // overlapping copy in an optimised build.
  std::string name = target.substr(0, nameAt);
  name += '.';
  name += target.substr(nameAt, kLongestNameKept);
  name += '.';
  name += std::to_string(process);
  name += '-';
  name += std::to_string(attempt);
  name += ".part";
  return name;
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

}  // namespace torvelkan::replay
