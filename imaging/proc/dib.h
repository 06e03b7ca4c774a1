// Device-independent bitmaps (DIBs) in memory, the block the clipboard and the scanner's native
// transfers carry: a BITMAPINFOHEADER-style header, a colour table when the depth needs one,
// and the pixel rows, bottom row first unless the height is negative. Every field is
// little-endian. Export writes the one layout other programs expect of us; import takes what
// other programs write and trusts nothing in the block.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"

namespace kx {

// The DIB of the inclusive rectangle x1..x2, y1..y2 of a 24-bit or 1-bit `bitmap` (another
// format is drawn as 24-bit): a 40-byte header (width, positive height, 1 plane, 24 or 1 bits,
// compression 0, every other field 0), for 1 bit the table black then white (00 00 00 00,
// FF FF FF FF), the rows bottom first padded with zeros to 4 bytes, then four zero bytes. An x2
// of 0 means the last column and a y2 of 0 the last row; the rectangle is cut to the bitmap.
// Empty when nothing of it lies on the bitmap.
std::vector<uint8_t> _CopyBitmaptoDIB(const TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Reads the DIB in `dib` into `bitmap` and returns its bits per pixel; returns 0 and leaves
// `bitmap` as it was when the block is malformed, truncated, above the pixel limit or of a kind
// not read. The header's own size counts (40, 52, 56, 108, 124 bytes; 12-byte core headers
// too), and the colour table it announces is skipped before the pixels, also at 16, 24 and
// 32 bits. 1 bit gives a 1-bit picture when the table is black then white (or absent) and a
// 24-bit one through the table otherwise; 4 and 8 bits (raw, RLE4, RLE8) look their indices up
// in a 256-entry table padded with black; 16 and 32 bits take the standard or the stored bit
// fields, each channel scaled to 8 bits by repeating its bits (0x1F gives 255). A negative
// height means the rows are stored top-down. Pixels of the four-character YUV codes are read
// from `data` (the whole of it counts; it must hold every row) or, when `data` is empty, from
// after the header.
int32_t _CopyDIB2Bitmap(std::span<const uint8_t> dib, TBitmap& bitmap, std::span<const uint8_t> data = {});

// Copies `count` 1-bit pixels, most significant bit first, from bit `sourceBit` of `source` to
// bit `destBit` of `dest`; the bits of the destination bytes outside that range are kept.
void _CopyBits(uint8_t* dest, const uint8_t* source, int64_t destBit, int64_t count, int64_t sourceBit);

}  // namespace kx
