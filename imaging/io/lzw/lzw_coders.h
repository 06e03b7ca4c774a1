// The LZW coders of the GIF and TIFF codecs. The codecs reach them only through the hooks of
// ioparams.h; a program installs them once at start-up, the library itself installs nothing.
#pragma once

#include <cstdint>

namespace kx {

class TStream;

// GIF: variable-length codes, least significant bit first, in data sub-blocks (gif_lzw.cpp).
bool KXGifLZWDecode(TStream& stream, int32_t height, int32_t width, bool interlaced, uint8_t* indices);
void KXGifLZWEncode(TStream& stream, int32_t height, int32_t width, bool interlaced, const uint8_t* indices,
                    int32_t bitsPerPixel);

// TIFF: codes most significant bit first with the early change of the code width, one code
// stream per strip, a row per call (tiff_lzw.cpp).
const uint8_t* KXTiffLZWDecodeRow(const uint8_t* strip, int64_t stripSize, int32_t rowSize, intptr_t& context);
void KXTiffLZWEncodeRow(const uint8_t* row, int32_t size, TStream& stream, intptr_t& context);

// Makes the four coders above the process-wide defaults that every parameter record copies
// when it is reset: call it before the first record is created.
void KXInstallLZWCoders();

}  // namespace kx
