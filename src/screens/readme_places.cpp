// The folders where Readme.txt is looked for, in order.
#include "screens/readme_places.h"

#include <algorithm>
#include <utility>

#include "screens/readme_file.h"

namespace torvelkan {
namespace {

// "/x", "C:/x" and "//server/x" do not hang from another folder.
bool IsAbsolute(std::string_view path) {
  return path.starts_with('/') || (path.size() >= 3 && path[1] == ':' && path[2] == '/');
}

void AddOnce(std::vector<std::string>& folders, std::string folder) {
  if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end()) {
    folders.push_back(std::move(folder));
  }
}

}  // namespace

std::vector<std::string> ReadmeFolders(std::string_view executablePath,
                                       std::string_view dataFromBinary,
                                       std::string_view builtInData) {
  std::vector<std::string> folders = {"."};
  const std::size_t slash = executablePath.rfind('/');
  if (slash != std::string_view::npos && !dataFromBinary.empty()) {
    if (IsAbsolute(dataFromBinary)) {
      AddOnce(folders, std::string(dataFromBinary));
    } else {
      // A program at the root, "/torvelkan", has "/" for its folder.
      std::string folder(executablePath.substr(0, std::max<std::size_t>(slash, 1)));
      if (folder != "/") {
        folder += '/';
      }
      AddOnce(folders, folder + std::string(dataFromBinary));
    }
  }
  AddOnce(folders, std::string(builtInData));
  // Last, the program's own folder: a build folder holds a copy of the text
  // there, and so may a game unpacked from an archive.
  if (slash != std::string_view::npos) {
    AddOnce(folders, std::string(executablePath.substr(0, std::max<std::size_t>(slash, 1))));
  }
  return folders;
}

std::string GamesDataBeside(std::string_view executablePath) {
  const std::size_t slash = executablePath.rfind('/');
  if (slash == std::string_view::npos) {
    return {};
  }
  const std::string_view folder = executablePath.substr(0, slash);
  const std::string_view name = folder.substr(folder.rfind('/') + 1);
  return name == "games" ? std::string(folder) + "/../share/games/torvelkan" : std::string();
}

// TORVELKAN_DATA_FROM_BINARY and TORVELKAN_DATA_DIR come from the build
// (cmake/install-dirs.cmake).
std::vector<std::string> ReadmeFolders() {
  const std::string program = ExecutablePath();
  std::vector<std::string> folders =
      ReadmeFolders(program, TORVELKAN_DATA_FROM_BINARY, TORVELKAN_DATA_DIR);
  AddOnce(folders, GamesDataBeside(program));
  return folders;
}

bool ReadReadmeFile(std::size_t maxBytes, const ReadmeBlock& block) {
  return ReadReadmeFileFrom(ReadmeFolders(), maxBytes, block);
}

}  // namespace torvelkan
