// YUV frames (video capture and some scanners) to 24-bit pictures: one converter per layout,
// each filling whole rows of a 24-bit `bitmap` already sized to the frame, from the top row down
// when `topDown` and from the bottom row up otherwise. `data` must hold the whole frame (see
// KXYuvFrameBytes); a partial pixel group at the end of a row leaves those pixels as they were.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/core/bitmap.h"
#include "imaging/core/types.h"

namespace kx {

// b = 1.164 (y - 16) + 2.018 (u - 128), g = 1.164 (y - 16) - 0.813 (v - 128) - 0.391 (u - 128),
// r = 1.164 (y - 16) + 1.596 (v - 128), each rounded to nearest (halves to even) and clamped.
void YUV2RGB(int32_t y, int32_t u, int32_t v, TRGB& out);

// The frame layouts by their four-character codes, and the bytes a frame of width x height
// needs in each (planar chroma sizes round up for odd sizes); -1 for an unknown code.
int64_t KXYuvFrameBytes(uint32_t fourcc, int64_t width, int64_t height);
// Converts a frame of a known code; false for an unknown code or too little data.
bool KXConvertYuv(uint32_t fourcc, std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);

void _CopyI420ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyYV12ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyYVU9ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyYUY2ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyUYVYToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyYVYUToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyIYU1ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyIYU2ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyY211ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyY41PToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);
void _CopyCLJRToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown);

}  // namespace kx
