// Gray-ranked morphology of 24-bit pictures: maximum, minimum, opening and closing over a
// square window kept inside a rectangle.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"

namespace kx {

enum TKXMorphKind : uint8_t { mkMaximum, mkMinimum, mkOpening, mkClosing };

// Filters the inclusive rectangle x1..x2, y1..y2 (cut to the picture) of a 24-bit bitmap; other
// formats and a negative radius are left alone. A maximum pass gives each pixel the whole colour
// of the first pixel, in row order, of the largest gray level within `radius` rows and columns
// of it and inside the rectangle; when that level is 0 the pixel keeps its own colour. A minimum
// pass takes the smallest level, and a level of 255 keeps the pixel. Opening is a minimum pass
// then a maximum pass, closing the reverse. The cost does not grow with the radius. Reports
// each finished row of each pass.
void _MorphFilter(TBitmap& bitmap, int32_t radius, TKXMorphKind kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  const TProgressRec& progress);

}  // namespace kx
