// The drawing service that puts a picture's own pixel block on a bitmap: a nearest-pixel
// stretch of a 24-bit or 1-bit bitmap, used by the view, the plain stretch of the geometry
// operations and the multi-image view. No averaging: filtered scaling is done before by the
// caller, which then draws 1:1.
#pragma once

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"

namespace kx {

// Draws `sourceRect` of `source` (picture pixels, y counted from the top) scaled to fill
// `destRect` of `dest` exactly. Destination column x takes source column
// sourceRect.Left + floor((2 (x - destRect.Left) + 1) x sourceWidth / (2 x destWidth)), the
// source pixel under its centre (rows likewise), so the whole source rectangle covers the whole
// destination rectangle and whole-number enlargements repeat each pixel equally often.
// 24-bit pixels are drawn as stored; 1-bit pixels are black (0) or white (1), whatever the
// bitmap's colour table says. Destination pixels outside `dest`, or whose source pixel lies
// outside `source`, stay as they were; empty rectangles and other source formats draw nothing.
// Reads the source rows in place: nothing but the visible part is touched.
void KXDrawDib(TBitmap& dest, const TRect& destRect, const TBitmap& source, const TRect& sourceRect);

}  // namespace kx
