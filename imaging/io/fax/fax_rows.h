// Packed bilevel rows as fax coding sees them: the positions where the colour changes, found a
// 64-bit word at a time, and rows filled back from such positions with whole-byte stores.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {

// The changing elements of a row of `width` pixels (most significant bit leftmost): the
// positions where a pixel differs from the one before it, the row starting white; a set bit is
// white when `whiteBit` is 1. Three copies of `width` follow, so that a two-dimensional coder
// can always look at b1 and b2 past the last change.
void FaxFindChanges(const uint8_t* row, int32_t width, uint8_t whiteBit, std::vector<int32_t>& changes);
// Writes a row of `width` pixels from its changing elements (ascending, below `width`; no
// end copies needed): white pixels become `whiteBit`. Padding bits of the last byte are white.
void FaxFillRow(uint8_t* row, int32_t width, uint8_t whiteBit, const std::vector<int32_t>& changes);
// Appends the end copies FaxFindChanges adds, to changes decoded from a code stream.
void FaxCloseChanges(std::vector<int32_t>& changes, int32_t width);

}  // namespace kx
