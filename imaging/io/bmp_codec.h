// Windows and OS/2 bitmaps, and the pictures inside icon and cursor files: reading every depth
// and compression these files use, writing bitmaps at 1, 4, 8 and 24 bits with optional
// run-length coding, and the content tests.
#pragma once

#include <cstdint>

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads one bitmap file at the stream's position into `bitmap` (1-bit for black-and-white
// files, 24-bit otherwise) and fills `params`. `blockSize` is the bytes the file takes in the
// stream, or 0 or less when unknown (the file header's size is used then). With `preview` only
// the parameters are read. A file that is not a bitmap, a size that is no picture or above the
// pixel limit, and data that ends early set the abort flag; rows the data never reached are black.
void BMPReadStream(TStream& stream, TBitmap& bitmap, int64_t blockSize, TIOParamsVals& params, bool preview,
                   TProgressRec& progress);
// Writes a 24-bit or 1-bit bitmap at the stream's position, at the depth BitsPerSample and
// SamplesPerPixel ask for (1, 4, 8 or 24 bits), with the header of BMP_Version and, at 4 and 8
// bits, run-length coding when BMP_Compression asks for it. At 1, 4 and 8 bits ColorMap becomes
// the palette written. A picture the header cannot describe sets the abort flag and writes nothing.
void BMPWriteStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// True when the bytes at the position start with "BM"; the position is restored.
bool BMPTryStream(TStream& stream);

// Read the picture of the directory entry ICO_ImageIndex / CUR_ImageIndex; transparent pixels
// show ICO_Background / CUR_Background. An index outside the directory changes nothing.
void ICOReadStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress);
void CURReadStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress);
// True when the bytes at the position are an icon (cursor) directory whose every entry is
// plausible; the position is restored.
bool ICOTryStream(TStream& stream);
bool CURTryStream(TStream& stream);

}  // namespace kx
