// Distances and circle contact in world units.
#pragma once

namespace torvelkan {

// Euclidean distance of (x1, y1) and (x2, y2), worked in double precision and
// rounded once to float, so that equal inputs always give equal distances.
float Distance(float x1, float y1, float x2, float y2);

// True when the circles touch or overlap: the distance of the centres is at
// most r1 + r2. Worked in double precision from the float inputs.
bool CirclesTouch(float x1, float y1, float r1, float x2, float y2, float r2);

}  // namespace torvelkan
