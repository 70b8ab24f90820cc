// Reading Readme.txt on every system: the first folder that has it, then its
// bytes in blocks up to a limit.
#include "screens/readme_file.h"

#include <algorithm>

#include "screens/readme_file_system.h"

namespace torvelkan {

bool ReadReadmeFileFrom(const std::vector<std::string>& folders, std::size_t maxBytes,
                        const ReadmeBlock& block) {
  ReadmeHandle file;
  for (const std::string& folder : folders) {
    bool found = false;
    file = OpenReadmeIn(folder, found);
    if (file.IsOpen()) {
      break;
    }
    // The player's own folder keeps the game's rule: a Readme.txt there that
    // cannot be opened is an error to show; only a missing one sends the
    // viewer on to the game's own copies.
    if (found && folder == kCurrentFolder) {
      return false;
    }
  }
  if (!file.IsOpen()) {
    return false;
  }
  unsigned char buffer[kReadmeBlockBytes];
  std::size_t total = 0;
  while (total < maxBytes) {
    const std::size_t got = ReadSome(file, buffer, std::min(sizeof buffer, maxBytes - total));
    if (got == 0) {
      break;  // the end, or a failed read: what came before is kept
    }
    block(buffer, got);
    total += got;
  }
  return true;
}

}  // namespace torvelkan
