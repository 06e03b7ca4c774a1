// Exact rounding of the effects' blends: a weighted sum of bytes divided by its total weight,
// rounded to the nearest integer with halves to even, as a table over the two bytes involved.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace kx {

// s / d rounded to the nearest integer, halves to even; d > 0.
inline int64_t RoundDivEven(int64_t s, int64_t d) {
  int64_t q = s / d, r = s % d;
  if (r < 0) --q, r += d;
  if (2 * r > d || (2 * r == d && (q & 1))) ++q;
  return q;
}

// Table[a][b] = clamp(round((a x wa + b x wb) / d)) for bytes a and b; d > 0.
using TBlendTable = std::array<std::array<uint8_t, 256>, 256>;
inline void FillBlendTable(TBlendTable& table, int64_t wa, int64_t wb, int64_t d) {
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b)
      table[size_t(a)][size_t(b)] = uint8_t(std::clamp<int64_t>(RoundDivEven(a * wa + b * wb, d), 0, 255));
}

}  // namespace kx
