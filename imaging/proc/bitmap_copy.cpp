// Bitmap copies: one block move for whole bitmaps, row moves for rectangles, span moves for
// polygons.
#include "imaging/proc/bitmap_copy.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/limits.h"
#include "imaging/proc/polygon_mask.h"

namespace kx {

void KXCopyBitmap(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) return;
  const bool reuse = dest.PixelFormat() == source.PixelFormat() && dest.Width() == source.Width() &&
                     dest.Height() == source.Height() && !source.Empty();
  if (!reuse) {
    // Through 1 x 1 so that neither a format conversion nor a resize copies old pixels.
    dest.SetSize(1, 1);
    dest.SetPixelFormat(source.PixelFormat());
    if (source.Empty()) return;
    dest.SetSize(source.Width(), source.Height());
  }
  std::memcpy(dest.Bits(), source.Bits(), size_t(source.RowLen()) * size_t(source.Height()));
}

std::unique_ptr<TBitmap> KXCloneBitmap(const TBitmap& source) {
  auto copy = std::make_unique<TBitmap>();
  KXCopyBitmap(source, *copy);
  return copy;
}

void _CopyBitmapRect(const TBitmap& source, TBitmap& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  dest.SetPixelFormat(source.PixelFormat());
  const int32_t w = source.Width(), h = source.Height();
  if (x2 < 0) x2 = w - 1;
  if (y2 < 0) y2 = h - 1;
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  x1 = std::max(x1, 0), y1 = std::max(y1, 0), x2 = std::min(x2, w - 1), y2 = std::min(y2, h - 1);
  if (x1 > x2 || y1 > y2) {
    dest.SetSize(0, 0);
    return;
  }
  const int32_t dw = x2 - x1 + 1, dh = y2 - y1 + 1;
  dest.SetSize(dw, dh);
  const bool oneBit = source.BitCount() == 1;
  const int bytesPerPixel = source.BitCount() / 8;
  for (int32_t y = 0; y < dh; ++y) {
    const uint8_t* s = source.ScanLine(y1 + y);
    uint8_t* d = dest.ScanLine(y);
    if (!oneBit) {
      std::memcpy(d, s + size_t(x1) * size_t(bytesPerPixel), size_t(dw) * size_t(bytesPerPixel));
      continue;
    }
    std::memset(d, 0, size_t(dest.RowLen()));
    for (int32_t x = 0; x < dw; ++x) {
      const int32_t sx = x1 + x;
      if ((s[sx >> 3] >> (7 - (sx & 7))) & 1) d[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
  }
}

bool KXPolygonBounds(const TPoint* points, int32_t count, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
  bool any = false;
  for (int32_t i = 0; i < count; ++i) {
    const TPoint& p = points[i];
    if (IsSelBreak(p)) continue;
    if (!any) {
      x1 = x2 = p.X, y1 = y2 = p.Y, any = true;
      continue;
    }
    x1 = std::min(x1, p.X), x2 = std::max(x2, p.X), y1 = std::min(y1, p.Y), y2 = std::max(y2, p.Y);
  }
  return any;
}

void _CopyPolygonBitmap(TBitmap& dest, const TBitmap& source, int32_t x, int32_t y, const TPoint* points,
                        int32_t count) {
  const TRect clip =
      Rect(std::max(x, 0), std::max(y, 0), int32_t(std::min<int64_t>(int64_t(x) + source.Width(), dest.Width())),
           int32_t(std::min<int64_t>(int64_t(y) + source.Height(), dest.Height())));
  KXCopyThroughMask(source, -x, -y, dest, TKXSpanMask(points, count, clip));
}

void _CopyBitmapPoly(const TBitmap& source, TBitmap& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     const TPoint* points, int32_t count, TColor fill) {
  dest.SetSize(0, 0);
  dest.SetPixelFormat(source.PixelFormat());
  const int64_t w = int64_t(x2) - x1, h = int64_t(y2) - y1;
  if (!KXPixelsAllowed(w, h)) return;
  dest.SetSize(int32_t(w), int32_t(h));
  dest.Canvas().Brush = TBrush{fill, bsSolid};
  dest.Canvas().FillRect(Rect(0, 0, dest.Width(), dest.Height()));
  const TRect all = Rect(0, 0, dest.Width(), dest.Height());
  if (count < 1) {
    const TPoint box[] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
    KXCopyThroughMask(source, x1, y1, dest, TKXSpanMask(box, 4, all, -x1, -y1));
    return;
  }
  KXCopyThroughMask(source, x1, y1, dest, TKXSpanMask(points, count, all, -x1, -y1));
}

namespace {

// Grows `dest` so that it reaches column `right` and row `bottom` (inclusive); false when that
// is beyond the pixel limit.
bool GrowTo(TBitmap& dest, int64_t right, int64_t bottom) {
  const int64_t w = std::max<int64_t>(dest.Width(), right + 1), h = std::max<int64_t>(dest.Height(), bottom + 1);
  if (w == dest.Width() && h == dest.Height()) return true;
  if (!KXPixelsAllowed(w, h)) return false;
  dest.SetSize(int32_t(w), int32_t(h));
  return true;
}

}  // namespace

void _CopyPolygonToPoint(const TBitmap& source, const TPoint* points, int32_t count, TPoint target, TBitmap& dest) {
  int32_t x1, y1, x2, y2;
  if (count < 3 || !KXPolygonBounds(points, count, x1, y1, x2, y2)) return;
  const int64_t dx = int64_t(target.X) - x1, dy = int64_t(target.Y) - y1;
  if (target.X < 0 || target.Y < 0 || !GrowTo(dest, int64_t(x2) + dx, int64_t(y2) + dy)) return;
  const TRect clip = Rect(target.X, target.Y, int32_t(std::min<int64_t>(int64_t(x2) + dx + 1, dest.Width())),
                          int32_t(std::min<int64_t>(int64_t(y2) + dy + 1, dest.Height())));
  KXCopyThroughMask(source, int32_t(-dx), int32_t(-dy), dest,
                    TKXSpanMask(points, count, clip, int32_t(dx), int32_t(dy)));
}

void _CopyPointToPolygon(const TBitmap& source, const TPoint* points, int32_t count, TPoint from, TBitmap& dest) {
  int32_t x1, y1, x2, y2;
  if (count < 3 || !KXPolygonBounds(points, count, x1, y1, x2, y2)) return;
  if (x1 < 0 || y1 < 0 || !GrowTo(dest, x2, y2)) return;
  const TRect clip = Rect(x1, y1, x2 + 1, y2 + 1);
  KXCopyThroughMask(source, from.X - x1, from.Y - y1, dest, TKXSpanMask(points, count, clip));
}

}  // namespace kx
