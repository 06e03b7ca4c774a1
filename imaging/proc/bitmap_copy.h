// Whole-bitmap, rectangle and polygon copies shared by the processing operations, the view and
// the codecs. Polygon copies go through TKXSpanMask: pixel centres inside the polygon, each
// sub-polygon even-odd filled, sub-polygons joined.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"

namespace kx {

// Makes `dest` an exact copy of `source`'s size, format and pixel block (not its colour table).
void KXCopyBitmap(const TBitmap& source, TBitmap& dest);
std::unique_ptr<TBitmap> KXCloneBitmap(const TBitmap& source);

// `dest` becomes the pixels x1..x2, y1..y2 (inclusive) of `source`, in its format. The corners
// may come in either order, a negative x2 or y2 means the last column or row, and the rectangle
// is cut to the picture; nothing left of it makes `dest` empty.
void _CopyBitmapRect(const TBitmap& source, TBitmap& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Draws `source` at (x, y) of `dest` through the polygon `points` (dest coordinates).
void _CopyPolygonBitmap(TBitmap& dest, const TBitmap& source, int32_t x, int32_t y, const TPoint* points,
                        int32_t count);

// `dest` becomes (x2 - x1) x (y2 - y1) in `source`'s format, filled with `fill`, and receives
// the source rectangle [x1, x2) x [y1, y2) through the polygon (source coordinates); with fewer
// than one point the whole rectangle is copied.
void _CopyBitmapPoly(const TBitmap& source, TBitmap& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     const TPoint* points, int32_t count, TColor fill);

// Copies the polygon region of `source` so that its bounding box's top-left lands on `target`
// of `dest`, enlarging `dest` to hold it (within the pixel limit). Nothing for fewer than
// three points.
void _CopyPolygonToPoint(const TBitmap& source, const TPoint* points, int32_t count, TPoint target, TBitmap& dest);
// The reverse: fills the polygon region of `dest` from `source`, whose point `from` maps to
// the polygon's bounding-box corner; `dest` grows to hold the bounding box.
void _CopyPointToPolygon(const TBitmap& source, const TPoint* points, int32_t count, TPoint from, TBitmap& dest);

// Bounding box of the vertices (breaks skipped), right and bottom inclusive; false when there
// are none.
bool KXPolygonBounds(const TPoint* points, int32_t count, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);

}  // namespace kx
