// The selection polygon's points and bounding box, and the rectangle test.
#include <algorithm>

#include "imaging/core/view_selection.h"

namespace kx {

void TKXSelPolygon::Clear() {
  Points.clear();
  X1 = Y1 = X2 = Y2 = 0;
}

void TKXSelPolygon::Widen(const TPoint& p, bool first) {
  if (first) {
    X1 = X2 = p.X;
    Y1 = Y2 = p.Y;
    return;
  }
  X1 = std::min(X1, p.X);
  Y1 = std::min(Y1, p.Y);
  X2 = std::max(X2, p.X);
  Y2 = std::max(Y2, p.Y);
}

void TKXSelPolygon::AddPoint(int32_t x, int32_t y) {
  const bool first = std::none_of(Points.begin(), Points.end(), [](const TPoint& p) { return !IsSelBreak(p); });
  Points.push_back(TPoint{x, y});
  Widen(Points.back(), first);
}

void TKXSelPolygon::AddBreak() {
  if (Points.empty() || IsSelBreak(Points.back())) return;
  Points.push_back(TPoint{kKXSelBreak, kKXSelBreak});
}

void TKXSelPolygon::Truncate(int32_t n) {
  if (n >= Count()) return;
  Points.resize(size_t(std::max(n, 0)));
  X1 = Y1 = X2 = Y2 = 0;
  bool first = true;
  for (const TPoint& p : Points) {
    if (IsSelBreak(p)) continue;
    Widen(p, first);
    first = false;
  }
}

bool _IsRectangle(const TPoint* points, int32_t count) {
  if (count != 4) return false;
  bool wantVertical = points[0].X == points[1].X;
  for (int i = 0; i < 4; ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % 4];
    const bool vertical = a.X == b.X && a.Y != b.Y;
    const bool horizontal = a.Y == b.Y && a.X != b.X;
    if (wantVertical ? !vertical : !horizontal) return false;
    wantVertical = !wantVertical;
  }
  return true;
}

}  // namespace kx
