// Rows are handled 64 pixels at a time: pages are mostly long white runs, so most words hold no
// change at all. Finding changes compares each word with itself shifted by one pixel; filling
// flips a running colour mask at each change and stores whole words.
#include "imaging/io/fax/fax_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kx {
namespace {

// 64 pixels from byte `i` on, most significant first; bytes past the row read as 0.
uint64_t LoadWord(const uint8_t* row, int64_t bytes, int64_t i) {
  uint64_t w = 0;
  if (i + 8 <= bytes) {
    std::memcpy(&w, row + i, 8);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
    return w;
  }
  for (int k = 0; k < 8; ++k) w = (w << 8) | (i + k < bytes ? row[i + k] : 0);
  return w;
}

void StoreWord(uint8_t* row, int64_t bytes, int64_t i, uint64_t w) {
  if (i + 8 <= bytes) {
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
    std::memcpy(row + i, &w, 8);
    return;
  }
  for (int64_t k = 0; i + k < bytes; ++k) row[i + k] = uint8_t(w >> (56 - 8 * k));
}

}  // namespace

void FaxFindChanges(const uint8_t* row, int32_t width, uint8_t whiteBit, TFaxChanges& changes) {
  const int64_t bytes = (int64_t(width) + 7) / 8;
  int32_t* out = changes.At.data();
  // The pixel left of the row is white.
  uint64_t before = whiteBit ? 1 : 0;
  for (int64_t i = 0; i < bytes; i += 8) {
    const uint64_t w = LoadWord(row, bytes, i);
    uint64_t differs = w ^ ((w >> 1) | (before << 63));
    before = w & 1;
    // Padding pixels of the last word are no changes.
    const int64_t first = i * 8;
    if (width - first < 64) differs &= ~(~uint64_t(0) >> (width - first));
    while (differs) {
      const int z = std::countl_zero(differs);
      *out++ = int32_t(first + z);
      differs &= ~uint64_t(0) >> z >> 1;
    }
  }
  changes.Count = size_t(out - changes.At.data());
  FaxCloseChanges(changes, width);
}

void FaxCloseChanges(TFaxChanges& changes, int32_t width) {
  int32_t* end = changes.At.data() + changes.Count;
  end[0] = end[1] = end[2] = width;
  changes.Count += 3;
}

void FaxFillRow(uint8_t* row, int32_t width, uint8_t whiteBit, const int32_t* changes) {
  const int64_t bytes = (int64_t(width) + 7) / 8;
  const uint64_t white = whiteBit ? ~uint64_t(0) : 0;
  // Set bits are black pixels; `black` is the colour carried in from the word before.
  uint64_t black = 0;
  const int32_t* change = changes;
  for (int64_t i = 0; i < bytes; i += 8) {
    const int64_t first = i * 8, end = std::min<int64_t>(first + 64, width);
    uint64_t m = black;
    for (; *change < end; ++change) m ^= ~uint64_t(0) >> (*change - first);
    black = m & 1 ? ~uint64_t(0) : 0;
    if (end < first + 64) m &= ~(~uint64_t(0) >> (end - first));
    StoreWord(row, bytes, i, m ^ white);
  }
}

}  // namespace kx
