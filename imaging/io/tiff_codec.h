// TIFF reading and writing: one page of a file or stream into a bitmap, a bitmap as a new file
// or as a further page of an existing one, page counting and page deletion. Uncompressed,
// PackBits and the fax codings are decoded here; LZW goes through the coder hooks of the
// parameter set (or their process-wide defaults) and is refused without one.
#pragma once

#include <cstdint>

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads page params->TIFF_ImageIndex (0-based) of the TIFF at the stream's position; `pageCount`
// receives the number of pages. With `paramsOnly` only the parameters are filled; with no
// parameter set only the pages are counted. A page this reader cannot decode (its compression,
// depth or layout, a missing LZW decoder) and damaged data set the abort flag with the reason.
// An index at or beyond the page count reads nothing and leaves the flag clear.
void TIFFReadStream(TBitmap& bitmap, TStream& stream, int32_t& pageCount, TIOParamsVals* params, TProgressRec& progress,
                    bool paramsOnly);
// Append false: writes a one-page TIFF at the stream's position and returns 1. Append true: the
// stream holds a little-endian TIFF at its position; the bitmap becomes a new page before page
// TIFF_ImageIndex (the last when the index is not below the page count) and the new page count
// is returned (0 with the abort flag when the stream holds no TIFF this can extend).
int32_t TIFFWriteStream(TStream& stream, bool append, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// The number of pages of the TIFF at the stream's position (0 when it is none).
int32_t _EnumTIFFImStream(TStream& stream);
// Rewrites the TIFF at the stream's position without page `index` and returns the number of
// pages it had (0 when it is no TIFF; nothing changes when `index` is no page).
int32_t _DeleteTIFFImStream(TStream& stream, int32_t index);

// The registry's entry points.
void TIFFReadImage(TStream& stream, TBitmap& bitmap, int64_t blockSize, TIOParamsVals& params, bool preview,
                   TProgressRec& progress);
void TIFFWriteImage(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// True when the bytes at the position begin "II" or "MM"; the caller restores the position.
bool TIFFTryStream(TStream& stream);

}  // namespace kx
