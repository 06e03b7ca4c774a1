// The three filters the writer offers, written for a row of any unit.
#include "imaging/io/png_row_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kx {
namespace {

// The neighbour nearest to left + up - upLeft, ties going to left, then up.
uint8_t Paeth(int left, int up, int upLeft) {
  const int p = left + up - upLeft;
  const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
  if (pa <= pb && pa <= pc) return uint8_t(left);
  return uint8_t(pb <= pc ? up : upLeft);
}

}  // namespace

void FilterPngRow(TPngRowFilter filter, int unit, const uint8_t* row, const uint8_t* prior, size_t length,
                  uint8_t* out) {
  *out++ = uint8_t(filter);
  const size_t first = std::min(size_t(unit), length);
  switch (filter) {
    case TPngRowFilter::none:
      std::memcpy(out, row, length);
      return;
    case TPngRowFilter::sub:
      std::memcpy(out, row, first);
      for (size_t i = first; i < length; ++i) out[i] = uint8_t(row[i] - row[i - unit]);
      return;
    case TPngRowFilter::paeth:
      if (!prior) {
        // Above the first row everything is zero, where the prediction is the left byte.
        std::memcpy(out, row, first);
        for (size_t i = first; i < length; ++i) out[i] = uint8_t(row[i] - row[i - unit]);
        return;
      }
      for (size_t i = 0; i < first; ++i) out[i] = uint8_t(row[i] - prior[i]);
      for (size_t i = first; i < length; ++i)
        out[i] = uint8_t(row[i] - Paeth(row[i - unit], prior[i], prior[i - unit]));
      return;
  }
}

}  // namespace kx
