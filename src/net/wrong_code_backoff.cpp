// The waits the host imposes on an address that keeps bringing wrong join codes.
#include "net/wrong_code_backoff.h"

#include <algorithm>

namespace torvelkan::net {

WrongCodeBackoff::Verdict WrongCodeBackoff::Judge(const std::string& address, bool codeRight,
                                                  std::uint32_t now) {
  Record& record = RecordOf(address);
  if (now - record.waitFrom < record.waitMs) {
    return Verdict::kWait;
  }
  if (codeRight) {
    record.wrongCodes = 0;
    return Verdict::kRight;
  }
  // The first slip costs nothing; each one after doubles the wait.
  ++record.wrongCodes;
  if (record.wrongCodes >= 2) {
    const int doublings = std::min(record.wrongCodes - 2, 6);
    record.waitFrom = now;
    record.waitMs = std::min(kLongestWaitMs, 1000u << doublings);
  }
  return Verdict::kWrong;
}

bool WrongCodeBackoff::Waiting(const std::string& address, std::uint32_t now) const {
  return std::any_of(records.begin(), records.end(), [&](const Record& record) {
    return record.address == address && now - record.waitFrom < record.waitMs;
  });
}

WrongCodeBackoff::Record& WrongCodeBackoff::RecordOf(const std::string& address) {
  for (Record& record : records) {
    if (record.address == address) {
      return record;
    }
  }
  if (records.size() == kRememberedAddresses) {
    records.pop_front();
  }
  records.push_back(Record{address, 0, 0, 0});
  return records.back();
}

}  // namespace torvelkan::net
