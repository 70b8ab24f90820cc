// The intro: a logo drawn stroke by stroke.
#include "screens/intro_logo.h"

#include <algorithm>
#include <cmath>

#include "common/world.h"

namespace torvelkan {

IntroLogo::IntroLogo() : segments(kLogoSegments.begin(), kLogoSegments.end()) {}

void IntroLogo::Update(std::uint32_t now, std::uint32_t /*elapsed*/) {
  if (startTick == 0) {
    startTick = now;
  }
  // Wraps like the tick counter; only Render reads it.
  sinceStartMs = static_cast<std::int32_t>(now - startTick);
}

void IntroLogo::Render(ConsoleScreen& screen) {
  // One stroke from the start, one more per 128 ms: n counts down from the
  // quotient, which truncates toward zero.
  std::int32_t n = sinceStartMs / kRevealMs;
  for (auto it = segments.begin(); it != segments.end() && n >= 0; ++it, --n) {
    DrawSegment(screen, *it);
  }
}

void IntroLogo::DrawSegment(ConsoleScreen& screen, LogoSegment& segment) {
  // The box is taken before the first distance, which may nudge x2.
  const int firstColumn = WorldToColumn(std::min(segment.x1, segment.x2));
  const int lastColumn = WorldToColumn(std::max(segment.x1, segment.x2));
  const int firstRow = WorldToRow(std::min(segment.y1, segment.y2));
  const int lastRow = WorldToRow(std::max(segment.y1, segment.y2));
  for (int i = firstColumn; i <= lastColumn; ++i) {
    for (int j = firstRow; j <= lastRow; ++j) {
      // The cell's top-left corner, not its centre.
      const double d =
          DistanceToLine(segment, static_cast<float>(i * 5), static_cast<float>(j * 6));
      std::uint16_t attribute;
      if (d <= 2.0) {
        attribute = kCoreAttribute;
      } else if (d <= 4.0) {
        attribute = kInnerAttribute;
      } else if (d <= 8.0) {
        attribute = kFringeAttribute;
      } else {
        continue;
      }
      screen.PutCell(i, j, ' ', attribute);
    }
  }
}

double IntroLogo::DistanceToLine(LogoSegment& segment, float px, float py) {
  if (segment.x1 == segment.x2) {
    segment.x2 += 0.0001f;
  }
  const double x1 = segment.x1;
  const double y1 = segment.y1;
  const double slope = (static_cast<double>(segment.y2) - y1) / (segment.x2 - x1);
  // The slope is rounded to float where it meets px and where it is squared,
  // but not in the line's intercept.
  const double rounded = static_cast<float>(slope);
  const double intercept = y1 - slope * x1;
  return std::fabs(rounded * px - py + intercept) / std::sqrt(rounded * rounded + 1.0);
}

}  // namespace torvelkan
