// The browser option of the command line: --web [ADDRESS][:PORT].
#include "program/web_options.h"

#include <string_view>

#include "program/network_options.h"

namespace torvelkan {

bool IsWebOption(std::string_view argument) {
  return argument == "--web" || argument.starts_with("--web=");
}

std::string ParseWebOption(std::span<const char* const> arguments, std::size_t& at,
                           WebOptions& options) {
  if (options.on) {
    return "option '--web' given twice";
  }
  options.on = true;
  const std::string_view option = arguments[at] != nullptr ? arguments[at] : "";
  if (const std::size_t equals = option.find('='); equals != std::string_view::npos) {
    return ParseEndpoint(option.substr(equals + 1), true, options.address, options.port);
  }
  // The address is optional: the next argument is it unless it is an option.
  if (at + 1 < arguments.size() && arguments[at + 1] != nullptr &&
      !std::string_view(arguments[at + 1]).starts_with("-")) {
    ++at;
    return ParseEndpoint(arguments[at], true, options.address, options.port);
  }
  return {};
}

}  // namespace torvelkan
