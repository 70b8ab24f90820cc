// The browser page's three files, built into the program (page/ holds their
// sources; the build turns them into bytes).
#pragma once

#include <span>

namespace torvelkan::web {

std::span<const unsigned char> PageHtml();
std::span<const unsigned char> PageScript();
std::span<const unsigned char> PageStyle();

}  // namespace torvelkan::web
