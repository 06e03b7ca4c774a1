// The spatial effects behind TKestrixProc: blending with another picture, bump mapping, the
// elliptic lens and concentric waves. Each works on 24-bit pictures only and leaves any other
// alone. Rounding to the nearest integer goes to even on halves; channels clamp to 0..255.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"

namespace kx {

// Blends the inclusive rectangle x1..x2, y1..y2 (cut to the picture) with `other` stretched
// over it, nearest pixel: c = round((c x percentage + o x (100 - percentage)) / 100), computed
// exactly. An empty `other` changes nothing; `other` may be `bitmap` itself, whose stretched copy
// is taken first. Reports each finished row.
void _Merge(TBitmap& bitmap, const TBitmap& other, int32_t percentage, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
            const TProgressRec& progress);

// Bump mapping of the rectangle x1..x2, y1..y2 (cut to the picture). The gray levels inside the
// rectangle are the relief; differences of neighbours (kept inside the rectangle) tilt a
// round light centred on (lightX, lightY), whose radius is lightWidth by lightHeight pixels,
// so that each channel becomes round(c x p / 100 + light x (100 - p) / 100 x k / 255), k
// being the channel of `color`. A width or height of 0 changes nothing.
void _BumpMapping(TBitmap& bitmap, int32_t lightX, int32_t lightY, int32_t lightWidth, int32_t lightHeight,
                  int32_t percentage, TRGB color, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  const TProgressRec& progress);

// An elliptic lens inscribed in the box of the given centre and size (cut to the picture):
// each pixel of the ellipse takes the pixel its ray, refracted by `refraction` on a half
// ellipsoid, comes from. Refraction 1 or less (or not a number) leaves every pixel in place.
// Reports each finished column of the box.
void _lens(TBitmap& bitmap, int32_t x, int32_t y, int32_t width, int32_t height, double refraction,
           const TProgressRec& progress);

// Concentric waves: every pixel reads the picture, bilinearly, at a point moved along the ray
// from the centre by amplitude x sin(distance / (2 wavelength) x 2 pi + phase) (the absolute
// sine scaling the ray with `reflective`). Amplitude or wavelength 0 changes nothing. Rows
// count from the bottom of the picture. Reports each finished row.
void _wave(TBitmap& bitmap, int32_t amplitude, int32_t wavelength, int32_t phase, bool reflective,
           const TProgressRec& progress);

}  // namespace kx
