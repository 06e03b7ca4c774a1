// The selection polygon's points and bounding box.
#include <algorithm>

#include "imaging/view/view_selection.h"

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

}  // namespace kx
