// Rotation routines: quarter and half turns and mirroring of whole bitmaps (quarter_turn.cpp,
// mirror.cpp), the three-shear rotation of 24-bit pictures and the inverse-mapped rotation of
// 1-bit pictures (rotate.cpp).
#pragma once

#include <cstdint>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"

namespace kx {

// A quarter turn counter-clockwise: dest (i, W - 1 - a) = source (a, i). `dest` takes the
// source's format and the swapped size.
void _Rot90(const TBitmap& source, TBitmap& dest);
// A quarter turn clockwise: dest (j, r) = source (r, H - 1 - j).
void _Rot90o(const TBitmap& source, TBitmap& dest);
// A quarter turn of a 24- or 1-bit `bitmap` itself (counter-clockwise when `ccw`), built on
// `spare`'s block when that is large enough, else on a fresh one; afterwards `spare` holds the
// bitmap's old block for the next turn. The colour table stays.
void KXTurnInPlace(TBitmap& bitmap, bool ccw, TBitmap& spare);
// Mirrors every row of a 24- or 1-bit bitmap in place (pixel x takes pixel W - 1 - x); with
// `upsideDown` row y also trades places with row H - 1 - y, which makes it the half turn.
void KXMirror(TBitmap& bitmap, bool upsideDown);
// Whether the three-shear rotation of a width x height picture by `angle` degrees keeps its
// buffers and result within the pixel limit.
bool KXShearRotateAllowed(int64_t width, int64_t height, double angle);
// Turns a 24-bit `source` counter-clockwise by `angle` degrees (-45..45) into `dest` with three
// shears, blending neighbours in 1/4096 steps when `antialias`. Uncovered pixels take
// `background`; nothing happens when KXShearRotateAllowed says no. Progress goes through
// `progress` (val counts rows and columns).
void KXShearRotate(const TBitmap& source, TBitmap& dest, double angle, bool antialias, TRGB background,
                   TProgressRec& progress);
// Rotates a 1-bit bitmap in place by `angle` degrees counter-clockwise, taking each output
// pixel from the source pixel under it; outside pixels get `fillBit`. Angles whose rounded sine
// and cosine make the mapping an exact quarter or half turn move the pixels directly.
void _rotate1bit(TBitmap& bitmap, bool fillBit, TProgressRec& progress, double angle);

}  // namespace kx
