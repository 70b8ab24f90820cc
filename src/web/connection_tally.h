// How many connections a web server holds, in all and from each address: a
// ticket for each, given back when its connection ends.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

namespace torvelkan::web {

class ConnectionTally {
 public:
  // Counts one connection for as long as it is held; moved with the
  // connection from its HTTP session to its WebSocket.
  class Ticket {
   public:
    Ticket() = default;
    Ticket(Ticket&& other) noexcept;
    Ticket& operator=(Ticket&& other) noexcept;
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;
    ~Ticket() { Give(); }

   private:
    friend class ConnectionTally;
    Ticket(ConnectionTally* issuer, std::string from) : tally(issuer), address(std::move(from)) {}
    void Give();

    ConnectionTally* tally = nullptr;
    std::string address;
  };

  ConnectionTally() = default;
  ConnectionTally(const ConnectionTally&) = delete;
  ConnectionTally& operator=(const ConnectionTally&) = delete;

  // The tally must outlive the tickets.
  Ticket Count(const std::string& address);
  std::size_t Total() const { return total; }
  std::size_t From(const std::string& address) const;

 private:
  std::size_t total = 0;
  std::unordered_map<std::string, std::size_t> perAddress;
};

}  // namespace torvelkan::web
