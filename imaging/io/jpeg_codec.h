// JPEG reading and writing through libjpeg-turbo.
#pragma once

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads one JPEG image at the stream's position into `bitmap` (made 24-bit) and fills
// `params`. With `preview` only the parameters are read. Failure sets the abort flag.
void ReadJPegStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress);
// Writes a 24-bit or 1-bit bitmap at the stream's position. Failure sets the abort flag.
void WriteJPegStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals& params, TProgressRec& progress);
// True when the three bytes at the position are FF D8 FF; the position is restored.
bool JpegTryStream(TStream& stream);

}  // namespace kx
