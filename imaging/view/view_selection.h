// The view's selection polygon: vertices in picture coordinates, sub-polygons separated by a
// break marker, the marching-ants look, and the bounding box of the vertices.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/canvas.h"
#include "imaging/core/types.h"
#include "imaging/proc/polygon_mask.h"

namespace kx {

struct TKXSelPolygon {
  std::vector<TPoint> Points;
  TColor Color1 = clBlack;
  TColor Color2 = clWhite;
  bool Animated = true;
  bool Sizeable = true;
  bool Visible = false;
  int32_t Phase = 0;  // 0..5
  // Bounding box of the vertices (breaks excluded), x1 <= x2 and y1 <= y2.
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;

  int32_t Count() const { return int32_t(Points.size()); }
  void Clear();
  void AddPoint(int32_t x, int32_t y);
  // Appends a break unless the polygon is empty or already ends with one.
  void AddBreak();
  // Keeps the first n points and recomputes the bounding box.
  void Truncate(int32_t n);

 private:
  void Widen(const TPoint& p, bool first);
};

}  // namespace kx
