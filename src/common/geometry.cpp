// Distances and circle contact in world units.
#include "common/geometry.h"

#include <cmath>

namespace torvelkan {

float Distance(float x1, float y1, float x2, float y2) {
  const double dx = static_cast<double>(x1) - static_cast<double>(x2);
  const double dy = static_cast<double>(y1) - static_cast<double>(y2);
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

bool CirclesTouch(float x1, float y1, float r1, float x2, float y2, float r2) {
  const double dx = static_cast<double>(x1) - static_cast<double>(x2);
  const double dy = static_cast<double>(y1) - static_cast<double>(y2);
  return std::sqrt(dx * dx + dy * dy) <= static_cast<double>(r1) + static_cast<double>(r2);
}

}  // namespace torvelkan
