// The waits the host imposes on an address that keeps bringing wrong join codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace torvelkan::net {

class WrongCodeBackoff {
 public:
  enum class Verdict { kWait, kWrong, kRight };

  static constexpr std::size_t kRememberedAddresses = 256;
  static constexpr std::uint32_t kLongestWaitMs = 60000;

  // An address brings a code at now (milliseconds of a clock that may wrap).
  // While it owes a wait, kWait whatever the code. The first wrong code costs
  // nothing; each one after sets a wait from now, 1 s doubling up to 60 s. A
  // right code forgets the wrong ones. The addresses remembered are bounded:
  // past that, the one seen first is forgotten.
  Verdict Judge(const std::string& address, bool codeRight, std::uint32_t now);

  // Whether the address owes a wait at now: Judge would say kWait. Nothing
  // is remembered by asking.
  bool Waiting(const std::string& address, std::uint32_t now) const;

 private:
  struct Record {
    std::string address;
    int wrongCodes = 0;
    std::uint32_t waitFrom = 0;  // measured as an age, right across the clock's wrap
    std::uint32_t waitMs = 0;
  };

  Record& RecordOf(const std::string& address);

  std::deque<Record> records;
};

}  // namespace torvelkan::net
