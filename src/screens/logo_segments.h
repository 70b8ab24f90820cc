// The strokes of the intro logo: the word Wamiset and three dashes, in world units.
#pragma once

#include <array>

namespace torvelkan {

// One straight stroke from (x1, y1) to (x2, y2).
struct LogoSegment {
  float x1;
  float y1;
  float x2;
  float y2;
};

// In order of appearance. The small letters stand between y 140 and 250, the W
// reaches up to 50, the stem of the t to 90, and the dashes lie on the baseline.
inline constexpr std::array<LogoSegment, 31> kLogoSegments = {{
    // W: four strokes down and up
    {0, 50, 15, 250},
    {15, 250, 25, 140},
    {25, 140, 40, 250},
    {40, 250, 55, 50},
    // a: the top, the right side, the middle bar, the left side, the bottom
    {65, 160, 95, 150},
    {95, 150, 100, 250},
    {70, 205, 95, 195},
    {70, 205, 65, 250},
    {65, 250, 100, 240},
    // m: the stem, then two arches
    {110, 160, 115, 250},
    {110, 160, 135, 150},
    {135, 150, 140, 250},
    {135, 160, 160, 150},
    {160, 150, 165, 250},
    // i: the dot, then the stem
    {185, 115, 180, 135},
    {180, 150, 175, 250},
    // s: the top, the left side, the middle, the right side, the bottom
    {230, 150, 195, 160},
    {195, 160, 200, 200},
    {200, 200, 225, 195},
    {225, 195, 230, 240},
    {230, 240, 195, 250},
    // e: the stem, the top, the middle, the bottom, the upper right side
    {240, 160, 250, 250},
    {240, 160, 275, 150},
    {245, 205, 275, 195},
    {250, 250, 275, 240},
    {270, 150, 275, 195},
    // t: the stem, then the bar
    {300, 90, 290, 250},
    {280, 150, 310, 140},
    // the three dashes
    {310, 240, 330, 250},
    {340, 240, 360, 250},
    {370, 240, 390, 250},
}};

}  // namespace torvelkan
