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
// horizontal and a vertical pass of weighted sums (weights summing to 1), each rounded to
// bytes; the vertical pass first when that is cheaper.
// Other source formats, rfNone or an empty side leave `dest` alone. Progress goes to
// `onProgress` with `sender`.
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
