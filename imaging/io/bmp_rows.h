// The pixel rows that bitmap, icon and cursor files share: palette expansion and bit-field
// channels. Private to the bitmap codec.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "imaging/core/types.h"

namespace kx {

// A palette of 256 entries whatever the file declared, black after the file's own entries, so
// that any index a row holds finds a colour. The entries are four bytes (blue, green, red, 0),
// so that a pixel is one four-byte store.
class TBmpPalette {
 public:
  // The first min(colours, 256) entries; the rest stay black.
  void Assign(std::span<const TRGB> colours);
  void Set(size_t index, TRGB colour);
  // Writes `n` pixels, pixel i of colour `index(i)`, from `out` on. Each store overlaps the next
  // pixel by a byte and the last is three bytes, so nothing after the n-th pixel is touched.
  template <typename Index>
  void Put(uint8_t* out, int64_t n, Index index) const {
    for (int64_t i = 0; i + 1 < n; ++i, out += 3) std::memcpy(out, &fEntries[index(i) & 0xFF], 4);
    if (n > 0) std::memcpy(out, &fEntries[index(n - 1) & 0xFF], 3);
  }
  // Eight pixels of the colours `indices[0..7]` (24 bytes) from `out` on.
  void PutEight(uint8_t* out, const uint8_t* indices) const {
    for (int i = 0; i < 7; ++i) std::memcpy(out + 3 * i, &fEntries[indices[i]], 4);
    std::memcpy(out + 21, &fEntries[indices[7]], 3);
  }
  // Four pixels of colour `index` (twelve bytes) from `out` on.
  void PutFour(uint8_t* out, uint8_t index) const {
    const uint32_t c = fEntries[index];
    std::memcpy(out, &c, 4);
    std::memcpy(out + 3, &c, 4);
    std::memcpy(out + 6, &c, 4);
    std::memcpy(out + 9, &c, 3);
  }

 private:
  std::array<uint32_t, 256> fEntries{};
};

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
