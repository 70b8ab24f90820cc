// The server's log: the time of each line, and its cap on lines a second.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arena/server_log.h"

namespace torvelkan::arena {
namespace {

TEST(ServerLog, EachLineStartsWithItsTimeAndAFloodIsCounted) {
  const struct {
    std::int64_t ms;
    const char* time;
  } times[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {-1, "1969-12-31T23:59:59.999Z"},
      {951782400000, "2000-02-29T00:00:00.000Z"},
      {1796742016123, "2026-12-08T15:00:16.123Z"},
      {4102444799999, "2099-12-31T23:59:59.999Z"},
  };
  for (const auto& t : times) {
    EXPECT_EQ(UtcTime(t.ms), t.time);
  }
  std::vector<std::string> lines;
  std::int64_t now = 1796742016123;
  ServerLog log([&lines](const std::string& line) { lines.push_back(line); }, 3,
                [&now] { return now; });
  for (int i = 0; i < 5; ++i) {
    log.Line("connection " + std::to_string(i));
  }
  now += 1000;
  log.Line("room closed");
  const std::vector<std::string> expected = {
      "2026-12-08T15:00:16.123Z connection 0",
      "2026-12-08T15:00:16.123Z connection 1",
      "2026-12-08T15:00:16.123Z connection 2",
      "2026-12-08T15:00:17.123Z (2 lines left out: too many a second)",
      "2026-12-08T15:00:17.123Z room closed",
  };
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace torvelkan::arena
