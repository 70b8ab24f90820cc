// The viewer of Readme.txt.
#include "screens/readme_viewer.h"

#include "common/keys.h"

namespace torvelkan {

void ReadmeViewer::OnKey(std::uint16_t code) {
  if (code == vk::kEscape) {
    done = true;
  }
}

void ReadmeViewer::Render(ConsoleScreen&) {}

}  // namespace torvelkan
