// Pure helpers about pixel formats, bit counts and row lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/core/types.h"

namespace kx {

// Bytes per row, rounded up to a multiple of 4: ((width x bits + 31) div 32) x 4.
int32_t _BitmapRowLen(int32_t width, int32_t bits);
// The same in 64 bits, for sizes that are checked before they are used.
int64_t _BitmapRowLen64(int64_t width, int64_t bits);
// Bytes the pixels of one row fill, without the padding: (width x bits + 7) div 8.
constexpr size_t KXRowPixelBytes(int64_t width, int32_t bits) { return size_t((width * bits + 7) / 8); }
constexpr size_t OneBitRowBytes(int64_t width) { return KXRowPixelBytes(width, 1); }
int32_t _Pixelformat2BitCount(TPixelFormat pf);
TPixelFormat _Bitcount2Pixelformat(int32_t bits);
// Width of the first run of set bits of a colour mask (bits 0..30 looked at for the start).
int32_t _GetBitCount(uint32_t mask);
// Bits needed to index `ncolors` colours (2 -> 1, 3 -> 2, 256 -> 8, 1 -> 0, 0 -> -1).
int32_t _NColToBitsPixel(int32_t ncolors);
// 2^bits once per sample; 1 with no samples.
int64_t _GetNumCol(int32_t bits, int32_t samples);
uint32_t ReverseBits(uint32_t& v);
uint8_t ReverseBitsB(uint8_t& v);
// Largest integer not above x (x must be finite and within the 32-bit range).
int32_t KXFloor(double x);
// Size in bytes of an existing file; -1 when it cannot be opened.
int64_t _getfilesize(const std::string& name);

// Pascal Trunc and Round on checked values: non-finite or out-of-range input is clamped to
// the int32 range instead of being undefined.
int32_t KXTrunc(double x);
int32_t KXRound(double x);  // ties to even

}  // namespace kx
