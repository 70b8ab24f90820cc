// The intro: a logo drawn stroke by stroke.
#pragma once

#include <cstdint>
#include <vector>

#include "console/console_screen.h"
#include "screens/logo_segments.h"

namespace torvelkan {

class IntroLogo {
 public:
  static constexpr std::int32_t kRevealMs = 128;  // one more stroke every 128 ms

  // Soft strokes: bright white at the core, light grey round it, dark grey at the fringe.
  static constexpr std::uint16_t kCoreAttribute = 240;
  static constexpr std::uint16_t kInnerAttribute = 112;
  static constexpr std::uint16_t kFringeAttribute = 128;

  IntroLogo();

  // The first update starts the clock; now = 0 counts as not started yet.
  void Update(std::uint32_t now, std::uint32_t elapsed);

  // Any key finishes the intro.
  void OnKey(std::uint16_t /*code*/) { done = true; }
  bool IsDone() const { return done; }

  // Draws the strokes that have appeared so far.
  void Render(ConsoleScreen& screen);

  // Rasterises one stroke over its bounding box of cells. The segment may be
  // changed (see DistanceToLine), so it is the one held by the logo.
  static void DrawSegment(ConsoleScreen& screen, LogoSegment& segment);

  // Distance from (px, py) to the infinite line through the segment's ends.
  // A vertical segment has its x2 nudged by 0.0001 for good, so that the
  // slope exists.
  static double DistanceToLine(LogoSegment& segment, float px, float py);

  // What tests look at.
  const std::vector<LogoSegment>& Segments() const { return segments; }
  std::uint32_t StartTick() const { return startTick; }
  std::int32_t SinceStartMs() const { return sinceStartMs; }

 private:
  std::vector<LogoSegment> segments;
  bool done = false;
  std::uint32_t startTick = 0;
  std::int32_t sinceStartMs = 0;
};

}  // namespace torvelkan
