// The geometry helpers, computed in double or 64-bit integers so that no argument overflows.
#include "imaging/core/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kx {

bool _InRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return x1 <= x && x <= x2 && y1 <= y && y <= y2;
}

bool _InRectO(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return _InRect(x, y, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

double _DistPoint2Point(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return std::hypot(double(x2) - double(x1), double(y2) - double(y1));
}

double _DistPoint2Line(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const double dx = double(x2) - double(x1), dy = double(y2) - double(y1);
  const double length = std::hypot(dx, dy);
  if (length == 0) return _DistPoint2Point(x, y, x1, y1);
  return std::fabs(dx * (double(y1) - double(y)) - dy * (double(x1) - double(x))) / length;
}

double _DistPoint2Seg(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const double dx = double(x2) - double(x1), dy = double(y2) - double(y1);
  const double length2 = dx * dx + dy * dy;
  if (length2 == 0) return _DistPoint2Point(x, y, x1, y1);
  const double t = ((double(x) - double(x1)) * dx + (double(y) - double(y1)) * dy) / length2;
  if (t > 1) return _DistPoint2Point(x, y, x2, y2);
  if (t < 0) return _DistPoint2Point(x, y, x1, y1);
  return _DistPoint2Line(x, y, x1, y1, x2, y2);
}

namespace {

int32_t ClampToInt32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// `from` moved by `length` towards `toward` (forwards when they coincide).
int32_t Extend(int32_t from, int32_t toward, int64_t length) {
  return ClampToInt32(toward < from ? int64_t(from) - length : int64_t(from) + length);
}

}  // namespace

void _CastPolySelCC(int32_t x1, int32_t y1, int32_t& x2, int32_t& y2) {
  const int64_t dx = std::llabs(int64_t(x1) - x2), dy = std::llabs(int64_t(y1) - y2);
  if (dy > dx + 30) {
    x2 = x1;
  } else if (dx > dy + 30) {
    y2 = y1;
  } else if (dx < dy) {
    x2 = Extend(x1, x2, dy);
  } else {
    y2 = Extend(y1, y2, dx);
  }
}

}  // namespace kx
