// Image transfers from an enabled source: the image description, the memory transfer in strips,
// the native transfer of a whole DIB, and single- and multi-image acquisition on top of them.
// The copy routines trust nothing the source says: a strip is clamped to the bitmap and must lie
// inside its buffer, depths that are not copied fail the transfer, and a picture of unknown
// length (sheet feeders report -1) grows as strips arrive and is cut to the rows received.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/twain.h"

namespace kx {

class TBitmap;
class TIOParamsVals;
struct TKXTWContext;

// Depths a memory transfer delivers as 1-bit (1) or 24-bit pictures: 8-bit gray, 24-bit RGB,
// 16-bit gray and 48-bit RGB (their high bytes; samples little-endian).
bool KXTWMemoryDepthCopied(int32_t bitsPerPixel);

// Copies one strip of `bitsPerPixel` pixels from the `length` bytes at `data` into `bitmap`
// (pf1bit for 1 bit, pf24bit otherwise) at the strip's offsets, RGB turned into the bitmap's
// BGR. Columns and rows beyond the bitmap are dropped. False, with nothing written, when the
// depth is not copied, the bitmap's format does not match it, or Rows x BytesPerRow exceeds
// `length`.
bool KXTWCopyStrip(TBitmap& bitmap, int32_t bitsPerPixel, const TW_IMAGEMEMXFER& strip, const uint8_t* data,
                   size_t length);

// Reads the packed DIB of a native transfer (`size` bytes) into `bitmap`: pf1bit for a
// black-and-white 1-bit DIB, pf24bit for every other. False, with `bitmap` unchanged, for a
// block that is not a readable DIB.
bool KXTWCopyNativeImage(const uint8_t* dib, size_t size, TBitmap& bitmap);

// The image description in the I/O parameters: depth fields for the depths delivered,
// resolutions rounded to whole dots per inch, the delivered size, no colour map.
void KXTWDescribeImage(const TW_IMAGEINFO& info, int32_t width, int32_t height, TIOParamsVals& params);

// The transfer handling of a MSG_XFERREADY (state 6): one image into ctx.Bitmap, the rest
// discarded; or every pending image handed to ctx.MultiCallBack.
void KXTWTransferSingle(TKXTWContext& ctx);
void KXTWTransferMulti(TKXTWContext& ctx);

}  // namespace kx
