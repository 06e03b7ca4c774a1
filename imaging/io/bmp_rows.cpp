// Palette expansion and bit-field channels of bitmap rows.
#include "imaging/io/bmp_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kx {

void TBmpPalette::Assign(std::span<const TRGB> colours) {
  fEntries.fill(0);
  for (size_t i = 0; i < std::min<size_t>(colours.size(), fEntries.size()); ++i) Set(i, colours[i]);
}

void TBmpPalette::Set(size_t index, TRGB colour) {
  const uint8_t bytes[4] = {colour.b, colour.g, colour.r, 0};
  std::memcpy(&fEntries[index], bytes, 4);
}

void BmpExpandIndexRow(const uint8_t* source, int32_t bits, int32_t width, const TBmpPalette& palette, uint8_t* dest) {
  switch (bits) {
    case 8:
      palette.Put(dest, width, [source](int64_t x) { return source[x]; });
      break;
    case 4:
      palette.Put(dest, width, [source](int64_t x) { return x & 1 ? source[x / 2] & 0x0F : source[x / 2] >> 4; });
      break;
    default: {
      const unsigned mask = (1u << bits) - 1;
      palette.Put(dest, width, [source, bits, mask](int64_t x) {
        const int64_t bit = x * bits;
        return (source[bit / 8] >> (8 - bits - bit % 8)) & mask;
      });
    }
  }
}

TBmpChannel::TBmpChannel(uint32_t mask) : Mask(mask) {
  if (!mask) return;
  Shift = std::countr_zero(mask);
  Width = std::countr_one(mask >> Shift);
}

uint8_t TBmpChannel::Value(uint32_t pixel) const {
  if (!Width) return 0;
  uint32_t v = (pixel & Mask) >> Shift;
  int32_t w = Width;
  if (w > 8) {
    v >>= w - 8;
    w = 8;
  }
  // Repeats the value's bits until 8 are filled: 5 bits abcde become abcdeabc.
  uint32_t out = 0;
  for (int32_t filled = 0; filled < 8; filled += w)
    out |= filled + w <= 8 ? v << (8 - filled - w) : v >> (filled + w - 8);
  return uint8_t(out);
}

void BmpExpandMaskedRow(const uint8_t* source, int32_t bits, int32_t width, const TBmpBitFields& f, uint8_t* dest) {
  const int32_t step = bits / 8;
  for (int32_t x = 0; x < width; ++x, source += step, dest += 3) {
    const uint32_t pixel = step == 2
                               ? uint32_t(source[0] | source[1] << 8)
                               : uint32_t(source[0] | source[1] << 8 | source[2] << 16) | uint32_t(source[3]) << 24;
    dest[0] = f.Blue.Value(pixel);
    dest[1] = f.Green.Value(pixel);
    dest[2] = f.Red.Value(pixel);
  }
}

}  // namespace kx
