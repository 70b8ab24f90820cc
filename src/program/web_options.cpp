// The browser option of the command line: --web [ADDRESS][:PORT].
#include "program/web_options.h"

#include <string>
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
  std::string_view value;
  if (const std::size_t equals = option.find('='); equals != std::string_view::npos) {
    value = option.substr(equals + 1);
  } else if (at + 1 < arguments.size() && arguments[at + 1] != nullptr &&
             !std::string_view(arguments[at + 1]).starts_with("-")) {
    // The address is optional: the next argument is it unless it is an option.
    value = arguments[++at];
  } else {
    return {};
  }
  if (!value.empty() && value.find_first_not_of("0123456789") == std::string_view::npos) {
    // A port alone: no address is all digits.
    std::string unused;
    options.portGiven = true;
    // Appended, not ":" + a temporary: GCC 12 takes that for an overlapping
    // copy in optimised builds.
    std::string endpoint = ":";
    endpoint += value;
    return ParseEndpoint(endpoint, true, unused, options.port);
  }
  options.addressGiven = true;
  return ParseEndpoint(value, true, options.address, options.port, &options.portGiven);
}

}  // namespace torvelkan
