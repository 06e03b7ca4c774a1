// Small plane-geometry helpers of the view's selection tools, in client or picture pixels.
#pragma once

#include <cstdint>

namespace kx {

// Whether x1 <= x <= x2 and y1 <= y <= y2.
bool _InRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The same with the corners in either order.
bool _InRectO(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
double _DistPoint2Point(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the infinite line through (x1, y1) and (x2, y2); to the point when they coincide.
double _DistPoint2Line(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the segment from (x1, y1) to (x2, y2).
double _DistPoint2Seg(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Snaps (x2, y2) to the vertical, the horizontal or a diagonal through (x1, y1): a side that is
// more than 30 pixels longer than the other wins outright; otherwise the shorter side is
// lengthened to the longer one, keeping the point's quadrant.
void _CastPolySelCC(int32_t x1, int32_t y1, int32_t& x2, int32_t& y2);

}  // namespace kx
