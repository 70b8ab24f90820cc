// How many connections a web server holds.
#include "web/connection_tally.h"

#include <utility>

namespace torvelkan::web {

ConnectionTally::Ticket::Ticket(Ticket&& other) noexcept
    : tally(std::exchange(other.tally, nullptr)), address(std::move(other.address)) {}

ConnectionTally::Ticket& ConnectionTally::Ticket::operator=(Ticket&& other) noexcept {
  if (this != &other) {
    Give();
    tally = std::exchange(other.tally, nullptr);
    address = std::move(other.address);
  }
  return *this;
}

void ConnectionTally::Ticket::Give() {
  if (tally == nullptr) {
    return;
  }
  --tally->total;
  const auto count = tally->perAddress.find(address);
  if (count != tally->perAddress.end() && --count->second == 0) {
    tally->perAddress.erase(count);
  }
  tally = nullptr;
}

ConnectionTally::Ticket ConnectionTally::Count(const std::string& address) {
  ++total;
  ++perAddress[address];
  return Ticket(this, address);
}

std::size_t ConnectionTally::From(const std::string& address) const {
  const auto count = perAddress.find(address);
  return count == perAddress.end() ? 0 : count->second;
}

}  // namespace torvelkan::web
