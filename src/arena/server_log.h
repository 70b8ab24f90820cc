// The server's log: one line per event, the time first, to a sink (standard
// error in the program), with a cap on lines a second so that a flood of
// connections cannot flood the log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace torvelkan::arena {

// "2026-12-08T10:00:00.123Z" for milliseconds since 1970 (UTC).
std::string UtcTime(std::int64_t millisecondsSince1970);

class ServerLog {
 public:
  using Sink = std::function<void(const std::string& line)>;
  using WallClock = std::function<std::int64_t()>;  // milliseconds since 1970

  // The clock is the system's unless given.
  ServerLog(Sink given, std::uint32_t perSecond, WallClock wallClock = {});

  // Writes "TIME text". Past the second's share, lines are counted instead,
  // and the count is written before the next line that gets through.
  void Line(const std::string& text);

 private:
  Sink sink;
  std::uint32_t linesPerSecond;
  WallClock clock;
  std::int64_t secondStart = 0;
  std::uint32_t linesThisSecond = 0;
  std::uint64_t leftOut = 0;
};

}  // namespace torvelkan::arena
