// The pixel rows that bitmap, icon and cursor files share: palette expansion and bit-field
// channels. Private to the bitmap codec.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/core/types.h"

namespace kx {

// A palette of 256 entries whatever the file declared, black after the file's own entries, so
// that any index a row holds finds a colour.
using TBmpPalette = std::array<TRGB, 256>;

// Expands `width` pixels of 1, 2, 4 or 8 bits (most significant first) to 24-bit pixels.
void BmpExpandIndexRow(const uint8_t* source, int32_t bits, int32_t width, const TBmpPalette& palette, uint8_t* dest);

// One colour channel of a bit-field pixel: the run of set bits in its mask, scaled to 8 bits by
// repeating its bits (so that the largest value becomes 255).
struct TBmpChannel {
  uint32_t Mask = 0;
  int32_t Shift = 0;  // position of the lowest set bit
  int32_t Width = 0;  // set bits, at most 8 of them used
  explicit TBmpChannel(uint32_t mask = 0);
  uint8_t Value(uint32_t pixel) const;
};
struct TBmpBitFields {
  TBmpChannel Red, Green, Blue;
};
// Expands `width` pixels of 16 or 32 bits with the masks of `fields` to 24-bit pixels.
void BmpExpandMaskedRow(const uint8_t* source, int32_t bits, int32_t width, const TBmpBitFields& fields, uint8_t* dest);

}  // namespace kx
