// A fault with a file the player named: the name kept apart from what went
// wrong, so that whoever prints the line can make the name safe to show.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace torvelkan::replay {

class FileFault : public std::runtime_error {
 public:
  // what() is "path: problem"; only the path's length is kept besides, so
  // that a copy of the fault never throws.
  FileFault(const std::string& path, const std::string& problem)
      : std::runtime_error(path + ": " + problem), pathBytes(path.size()) {}

  // The name as the player gave it: any bytes at all.
  std::string_view Path() const noexcept { return std::string_view(what()).substr(0, pathBytes); }
  // What went wrong, in the program's own words.
  std::string_view Problem() const noexcept {
    return std::string_view(what()).substr(pathBytes + 2);
  }

 private:
  std::size_t pathBytes;
};

}  // namespace torvelkan::replay
