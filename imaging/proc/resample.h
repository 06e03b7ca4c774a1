// Resampling a picture to a new size: the two-pass filtered resampler, the view's quick
// variant (filtered only where it enlarges) and the plain unfiltered stretch.
#pragma once

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"

namespace kx {

// Kernel of `filter` at distance x and its support radius (0 for rfNone).
double KXFilterKernel(TResampleFilter filter, double x);
double KXFilterSupport(TResampleFilter filter);

// Fills `dest` (already at the target size) from a 24-bit `source` through `filter`: a
// horizontal pass of weighted sums (weights summing to 1) rounded to bytes, then a vertical
// pass over its result. Other source formats, rfNone, an empty side or a work picture of W1 x H0
// above the pixel limit leave `dest` alone.
// Progress goes to `onProgress` with `sender`: Trunc(n x 100 / (W1 + H0 + 0.5)) after each
// source row n = 1..H0 of the first pass, then with n = H0 + k + 1 for each destination
// column k of the second.
void _Resample(const TBitmap& source, TBitmap& dest, TResampleFilter filter, const TProgressEvent& onProgress = {},
               void* sender = nullptr);
// The view's variant: an axis that shrinks is stretched without filtering; an enlarging axis
// is filtered with at most 13 contributors per pixel.
void _QuickResample(const TBitmap& source, TBitmap& dest, TResampleFilter filter, const TProgressEvent& onProgress = {},
                    void* sender = nullptr);
// Stretches all of `source` (24-bit or 1-bit) over all of `dest` with the drawing service's
// nearest-pixel rule; `dest` keeps its size and takes the source's format.
void _KXBmpStretch(const TBitmap& source, TBitmap& dest);

}  // namespace kx
