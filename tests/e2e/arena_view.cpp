// Reading the arena off a captured screen.
#include "e2e/arena_view.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace torvelkan::e2e {

Body BodyOf(const Screen& screen, int background) {
  std::vector<int> columns;
  Body body;
  for (int r = 3; r < 50; ++r) {
    std::vector<int> inRow;
    int run = 0;
    int longest = 0;
    for (int c = 0; c < 80; ++c) {
      run = screen.At(r, c).background == background ? run + 1 : 0;
      longest = std::max(longest, run);
      if (run > 0) {
        inRow.push_back(c);
      }
    }
    if (longest >= 5) {
      columns.insert(columns.end(), inRow.begin(), inRow.end());
      body.bottom = r;
    }
  }
  body.cells = static_cast<int>(columns.size());
  if (!columns.empty()) {
    const auto middle = columns.begin() + static_cast<std::ptrdiff_t>(columns.size() / 2);
    std::nth_element(columns.begin(), middle, columns.end());
    body.column = *middle;
  }
  return body;
}

Spot ShotAt(const Screen& screen) {
  const auto is = [&screen](int r, int c, int background) {
    return screen.At(r, c).background == background;
  };
  for (int r = 1; r < 49; ++r) {
    for (int c = 2; c < 78; ++c) {
      if (is(r, c, kShotCore) && is(r, c - 1, kShotCore) && is(r, c + 1, kShotCore) &&
          is(r - 1, c, kShotCore) && is(r + 1, c, kShotCore) && is(r, c - 2, kShotRim) &&
          is(r, c + 2, kShotRim) && is(r - 1, c - 1, kShotRim) && is(r - 1, c + 1, kShotRim) &&
          is(r + 1, c - 1, kShotRim) && is(r + 1, c + 1, kShotRim)) {
        return Spot{r, c};
      }
    }
  }
  return Spot{};
}

int AiCounter(const Screen& screen) {
  const std::string tail = screen.Text(0, 60, 20);  // columns 60 to 79
  if (tail.substr(16) != " AI ") {
    return -1;
  }
  std::size_t start = 16;
  while (start > 0 && tail[start - 1] >= '0' && tail[start - 1] <= '9') {
    --start;
  }
  if (start == 16 || start == 0 || tail[start - 1] != ' ') {
    return -1;
  }
  return std::atoi(tail.substr(start, 16 - start).c_str());
}

}  // namespace torvelkan::e2e
