// Packed bilevel rows as fax coding sees them: the positions where the colour changes, found a
// 64-bit word at a time, and rows filled back from such positions a 64-bit word at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

// The changing elements of one row of `width` pixels. The storage holds the most a row can
// have (one per pixel and three closing copies of the width), so the coders append through a
// plain pointer with no capacity check per change.
struct TFaxChanges {
  explicit TFaxChanges(int32_t width) : At(size_t(width) + 4) {}
  std::vector<int32_t> At;
  size_t Count = 0;
};

// The changing elements of a row of `width` pixels (most significant bit leftmost): the
// positions where a pixel differs from the one before it, the row starting white; a set bit is
// white when `whiteBit` is 1. Padding bits past the width are ignored. Three copies of `width`
// follow, so that a two-dimensional coder can always look at b1 and b2 past the last change.
void FaxFindChanges(const uint8_t* row, int32_t width, uint8_t whiteBit, TFaxChanges& changes);
// Writes a row of `width` pixels from its changing elements (ascending, closed by a copy of
// `width`, which ends them): white pixels become `whiteBit`. Padding bits of the last byte are
// white. Writes exactly (width + 7) / 8 bytes.
void FaxFillRow(uint8_t* row, int32_t width, uint8_t whiteBit, const int32_t* changes);
// Appends the end copies FaxFindChanges adds, to changes decoded from a code stream.
void FaxCloseChanges(TFaxChanges& changes, int32_t width);

// The index of b1 in the closed reference changes `ref`, searching from `bi` (at most the
// second-last index) on: the first change right of `a0` (below the width) whose index has the
// parity of `color` (an even index turns white to black), or the second-last element where
// none comes before the third-last. Only indices of the right parity are looked at, two apart;
// the closing copies of the width end the search, so it needs no bound.
inline size_t FaxFindB1(const int32_t* ref, size_t count, size_t bi, int32_t a0, int color) {
  size_t j = bi + ((bi & 1) != size_t(color));
  while (ref[j] <= a0) j += 2;
  return j + 2 < count ? j : count - 2;
}

}  // namespace kx
