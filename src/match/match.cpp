// One fight between the blue and the red fighter.
#include "match/match.h"

#include "common/keys.h"

namespace torvelkan {

void Match::Update(std::uint32_t, std::uint32_t) {}

void Match::OnKeyDown(std::uint16_t key) {
  if (key == vk::kEscape) {
    endState = 1;
  }
}

void Match::OnKeyUp(std::uint16_t) {}

void Match::Render(ConsoleScreen&) {}

}  // namespace torvelkan
