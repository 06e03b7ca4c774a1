// JPEG reading and writing through libjpeg-turbo.
#pragma once

#include <cstdint>

#include "imaging/core/progress.h"
#include "imaging/io/fitted_size.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads one JPEG image at the stream's position into `bitmap` (made 24-bit) and fills
// `params`. With `preview` only the parameters are read. Failure sets the abort flag.
void ReadJPegStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress);
// As ReadJPegStream, but the picture is drawn onto `fitted` as it is decoded, at the size
// `choose` gives for the picture's size (made 24-bit): the same pixels as KXDrawDib of the whole
// picture onto the whole bitmap, without ever holding the picture itself. Rows that no decoded
// row reached are black.
void ReadJPegStreamFitted(TStream& stream, TBitmap& fitted, TIOParamsVals& params, const TKXChooseFit& choose,
                          TProgressRec& progress);
// Writes a 24-bit or 1-bit bitmap at the stream's position. Failure sets the abort flag.
void WriteJPegStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals& params, TProgressRec& progress);
// The most scans a JPEG file may have before its read stops with "too many scans". Real files
// have a few dozen at most (a progressive file of four components with every coefficient in
// its own scan and each bit refined separately stays far below); thousands of repeated scans
// only make the decoder redo the same work. Default kDefaultJpegScanLimit; at least 1.
constexpr int32_t kDefaultJpegScanLimit = 1000;
int32_t KXJpegScanLimit();
void KXSetJpegScanLimit(int32_t scans);
// libjpeg's working memory for one read, in bytes: 16 bytes for every pixel the pixel limit
// allows. That is twice what the coefficients of a progressive four-component picture at the
// limit take, so only a file whose padding to whole blocks dwarfs its pixels (a picture one
// pixel wide with large sampling factors) reaches it, and stops with "out of memory".
int64_t KXJpegMemoryLimit();
// True when the three bytes at the position are FF D8 FF; the position is restored.
bool JpegTryStream(TStream& stream);

}  // namespace kx
