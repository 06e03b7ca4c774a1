// Filled polygons and column runs for the widgets.
#include "imaging/widgets/widget_draw.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imaging/core/bitmap.h"

namespace kx {

void KXPolygon(TCanvas& canvas, std::span<const TPoint> points, TColor fill, TColor outline) {
  points = points.first(std::min(points.size(), kMaxPolygonPoints));
  if (points.empty()) return;
  const auto [low, high] =
      std::minmax_element(points.begin(), points.end(), [](const TPoint& a, const TPoint& b) { return a.Y < b.Y; });
  const TBrush brush = canvas.Brush;
  const TPen pen = canvas.Pen;
  canvas.Brush = TBrush{fill, bsSolid};
  std::array<double, kMaxPolygonPoints> crossings;
  for (int32_t y = low->Y; y <= high->Y; ++y) {
    size_t n = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      const TPoint p = points[i], q = points[(i + 1) % points.size()];
      if (p.Y == q.Y || y < std::min(p.Y, q.Y) || y >= std::max(p.Y, q.Y)) continue;
      crossings[n++] = p.X + double(y - p.Y) * (q.X - p.X) / (q.Y - p.Y);
    }
    std::sort(crossings.begin(), crossings.begin() + n);
    for (size_t i = 0; i + 1 < n; i += 2) {
      const int32_t from = int32_t(std::ceil(crossings[i])), to = int32_t(std::floor(crossings[i + 1]));
      if (from <= to) canvas.FillRect(TRect{from, y, to + 1, y + 1});
    }
  }
  canvas.Pen = TPen{outline, 1, psSolid, pmCopy};
  canvas.MoveTo(points.back().X, points.back().Y);
  for (const TPoint& p : points) canvas.LineTo(p.X, p.Y);
  canvas.Brush = brush;
  canvas.Pen = pen;
}

void KXColumnRun(TBitmap& bitmap, int32_t x, int32_t top, int32_t bottom, TRGB color) {
  if (bitmap.BitCount() != 24 || x < 0 || x >= bitmap.Width()) return;
  if (top > bottom) std::swap(top, bottom);
  top = std::max(top, 0);
  bottom = std::min(bottom, bitmap.Height() - 1);
  if (top > bottom) return;
  uint8_t* p = bitmap.ScanLine(top) + intptr_t(x) * 3;
  const intptr_t stride = bitmap.Stride();
  for (int32_t y = top; y <= bottom; ++y, p += stride) *reinterpret_cast<TRGB*>(p) = color;
}

}  // namespace kx
