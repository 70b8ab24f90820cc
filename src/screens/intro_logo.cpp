// The intro: a logo drawn stroke by stroke.
#include "screens/intro_logo.h"

namespace torvelkan {

void IntroLogo::Update(std::uint32_t, std::uint32_t) {}
void IntroLogo::OnKey(std::uint16_t) { done = true; }
void IntroLogo::Render(ConsoleScreen&) {}

}  // namespace torvelkan
