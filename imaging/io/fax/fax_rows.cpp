// Run ends are found a word at a time: pages are mostly long white runs, so most words hold no
// change at all and cost one load and one compare.
#include "imaging/io/fax/fax_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kx {
namespace {

// 64 pixels from byte `i` on, most significant first; bytes past the row repeat `fill`.
uint64_t Word(const uint8_t* row, int64_t bytes, int64_t i, uint8_t fill) {
  uint64_t w = 0;
  if (i + 8 <= bytes) {
    std::memcpy(&w, row + i, 8);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
    return w;
  }
  for (int k = 0; k < 8; ++k) w = (w << 8) | (i + k < bytes ? row[i + k] : fill);
  return w;
}

// The first position at or after `x` whose pixel is not `value`, or `width`.
int32_t NextDifferent(const uint8_t* row, int32_t width, int32_t x, uint8_t value) {
  const int64_t bytes = (int64_t(width) + 7) / 8;
  const uint64_t same = value ? ~uint64_t(0) : 0;
  const uint8_t fill = value ? 0xFF : 0;
  int64_t i = x / 8;
  uint64_t diff = (Word(row, bytes, i, fill) ^ same) & (~uint64_t(0) >> (x % 8));
  while (diff == 0) {
    i += 8;
    if (i * 8 >= width) return width;
    diff = Word(row, bytes, i, fill) ^ same;
  }
  const int64_t at = i * 8 + std::countl_zero(diff);
  return at < width ? int32_t(at) : width;
}

}  // namespace

void FaxFindChanges(const uint8_t* row, int32_t width, uint8_t whiteBit, std::vector<int32_t>& changes) {
  changes.clear();
  uint8_t value = whiteBit;
  for (int32_t x = 0; (x = NextDifferent(row, width, x, value)) < width; value ^= 1) changes.push_back(x);
  FaxCloseChanges(changes, width);
}

void FaxCloseChanges(std::vector<int32_t>& changes, int32_t width) { changes.insert(changes.end(), 3, width); }

void FaxFillRow(uint8_t* row, int32_t width, uint8_t whiteBit, const std::vector<int32_t>& changes) {
  const int32_t bytes = (width + 7) / 8;
  const uint8_t white = whiteBit ? 0xFF : 0;
  const uint8_t black = uint8_t(~white);
  std::memset(row, white, size_t(bytes));
  for (size_t k = 0; k + 1 <= changes.size(); k += 2) {
    const int32_t a = changes[k];
    if (a >= width) break;
    const int32_t b = k + 1 < changes.size() ? std::min(changes[k + 1], width) : width;
    if (b <= a) continue;
    // Black pixels a .. b - 1: partial first byte, whole middle bytes, partial last byte.
    int32_t first = a / 8, last = (b - 1) / 8;
    const uint8_t headMask = uint8_t(0xFF >> (a % 8));
    const uint8_t tailMask = uint8_t(0xFF << (7 - (b - 1) % 8));
    if (first == last) {
      const uint8_t m = headMask & tailMask;
      row[first] = uint8_t((row[first] & ~m) | (black & m));
      continue;
    }
    row[first] = uint8_t((row[first] & ~headMask) | (black & headMask));
    if (last > first + 1) std::memset(row + first + 1, black, size_t(last - first - 1));
    row[last] = uint8_t((row[last] & ~tailMask) | (black & tailMask));
  }
}

}  // namespace kx
