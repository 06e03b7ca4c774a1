// One PNG row filter applied to one row: the filter type byte, then each byte minus its
// prediction from the byte one unit to the left and the bytes above. Private to the PNG codec.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx {

// The filter types as the file stores them; the writer uses one of these for every row.
enum class TPngRowFilter : uint8_t { none = 0, sub = 1, paeth = 4 };

// Writes 1 + `length` bytes to `out`. `prior` is the unfiltered row above (null for the first
// row, taken as zeros); `unit` the bytes per pixel, at least 1 (one byte below 8 bits a pixel).
void FilterPngRow(TPngRowFilter filter, int unit, const uint8_t* row, const uint8_t* prior, size_t length,
                  uint8_t* out);

}  // namespace kx
