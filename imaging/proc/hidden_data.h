// Hidden data: a block of bytes carried in the least significant bits of a 24-bit picture. The
// carrier is the first 3 x width - 2 bytes of every row, top row first, in memory order; each
// holds one bit of the stream, whose bytes go least significant bit first. The stream is four
// zero bytes, the payload length as a little-endian int32, then the payload.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/core/bitmap.h"

namespace kx {

// Payload bytes that fit in the carrier of a 24-bit picture (0 for any other format, or when
// not even the header fits).
int32_t _HiddenDataSpace(const TBitmap& bitmap);

// Hides `data` in a 24-bit picture. Only bytes whose low bit must change are touched, each by
// one step (255 goes down to 254, every other byte up). Data that does not fit is refused with
// nothing written: the result is false then, and for any other format.
bool _WriteHiddenData(TBitmap& bitmap, std::span<const uint8_t> data);

// The length of the data hidden in a 24-bit picture, with up to `buffer.size()` of its first
// bytes copied into `buffer`. Only a header of four zero bytes and a length from 0 to the
// picture's capacity counts: any other (a picture that never received data, or a damaged one)
// reads as no data, 0 with nothing copied.
int32_t _ReadHiddenData(const TBitmap& bitmap, std::span<uint8_t> buffer);

}  // namespace kx
