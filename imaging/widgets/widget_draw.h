// Drawing the widgets share beyond what TCanvas offers: filled polygons (the ruler's grips) and
// vertical runs written straight into 24-bit rows (the histogram's bars, hundreds per redraw).
#pragma once

#include <cstdint>
#include <span>

#include "imaging/core/canvas.h"
#include "imaging/core/types.h"

namespace kx {

class TBitmap;

// The most corners KXPolygon takes; the grips need seven.
constexpr size_t kMaxPolygonPoints = 16;

// Fills the polygon (pixels whose centres lie inside, even-odd rule) with `fill`, then draws its
// closed outline through every corner with `outline`; both clipped to the canvas. Corners past
// kMaxPolygonPoints are ignored.
void KXPolygon(TCanvas& canvas, std::span<const TPoint> points, TColor fill, TColor outline);

// Sets rows top..bottom (inclusive, in either order) of column x of a 24-bit bitmap, clipped.
void KXColumnRun(TBitmap& bitmap, int32_t x, int32_t top, int32_t bottom, TRGB color);

}  // namespace kx
