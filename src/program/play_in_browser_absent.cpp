// The game played in a web browser, in a build without the web server.
#include <stdexcept>

#include "program/play_in_browser.h"

namespace torvelkan {

int PlayInBrowser(const WebOptions& /*options*/, const std::string& /*recordPath*/,
                  const std::string& /*programVersion*/) {
  throw std::runtime_error(
      "this build cannot play in a browser: it was made without Boost's headers "
      "(libboost-dev); install them and build again");
}

}  // namespace torvelkan
