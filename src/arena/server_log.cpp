// The server's log: one line per event, the time first.
#include "arena/server_log.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace torvelkan::arena {

std::string UtcTime(std::int64_t milliseconds) {
  const std::int64_t msOfDay = ((milliseconds % 86400000) + 86400000) % 86400000;
  std::int64_t days = (milliseconds - msOfDay) / 86400000;
  // The civil date of a count of days since 1970-01-01, in the proleptic
  // Gregorian calendar, by eras of 400 years that start on 1 March.
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  const std::int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[96];  // room for any year a 64-bit count of days can name
  std::snprintf(
      text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ",
      static_cast<long long>(year), static_cast<long long>(month), static_cast<long long>(day),
      static_cast<long long>(msOfDay / 3600000), static_cast<long long>(msOfDay / 60000 % 60),
      static_cast<long long>(msOfDay / 1000 % 60), static_cast<long long>(msOfDay % 1000));
  return text;
}

ServerLog::ServerLog(Sink given, std::uint32_t perSecond, WallClock wallClock)
    : sink(std::move(given)), linesPerSecond(perSecond), clock(std::move(wallClock)) {
  if (!clock) {
    clock = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::system_clock::now().time_since_epoch())
          .count();
    };
  }
}

void ServerLog::Line(const std::string& text) {
  const std::int64_t now = clock();
  if (now - secondStart >= 1000 || now < secondStart) {
    secondStart = now;
    linesThisSecond = 0;
  }
  if (linesThisSecond >= linesPerSecond) {
    ++leftOut;
    return;
  }
  ++linesThisSecond;
  const std::string time = UtcTime(now);
  if (leftOut > 0) {
    sink(time + " (" + std::to_string(leftOut) + " lines left out: too many a second)");
    leftOut = 0;
  }
  sink(time + " " + text);
}

}  // namespace torvelkan::arena
