// Blending a rectangle with another picture. The other picture is first stretched over the
// rectangle; every pair of bytes then blends through one table, exact to the rounding rule.
#include <algorithm>
#include <memory>

#include "imaging/core/canvas.h"
#include "imaging/proc/effects.h"
#include "imaging/proc/effects_rounding.h"

namespace kx {

void _Merge(TBitmap& bitmap, const TBitmap& other, int32_t percentage, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
            const TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || other.Empty()) return;
  x1 = std::max(x1, 0), y1 = std::max(y1, 0);
  x2 = std::min(x2, bitmap.Width() - 1), y2 = std::min(y2, bitmap.Height() - 1);
  if (x1 > x2 || y1 > y2) return;
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  TBitmap stretched(w, h, pf24bit);
  stretched.Canvas().StretchDraw(TRect{0, 0, w, h}, other);
  const auto table = std::make_unique<TBlendTable>();
  FillBlendTable(*table, percentage, 100 - int64_t(percentage), 100);
  const size_t bytes = size_t(w) * 3;
  for (int32_t y = y1; y <= y2; ++y) {
    uint8_t* row = bitmap.ScanLine(y) + size_t(x1) * 3;
    const uint8_t* o = stretched.ScanLine(y - y1);
    for (size_t i = 0; i < bytes; ++i) row[i] = (*table)[row[i]][o[i]];
    ReportRow(progress, y, y1, y2);
  }
}

}  // namespace kx
