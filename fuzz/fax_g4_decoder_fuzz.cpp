// Fuzzes the Group 4 decoder alone: the first byte picks the bit order, the next two the row
// width; the rest is the coded data, decoded row by row until it fails or ends.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/io/fax/fax_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int32_t width = 1 + ((data[1] | data[2] << 8) % 4000);
  kx::TKXFaxDecoder decoder({data + 3, size - 3}, width, (data[0] & 1) != 0);
  // One guard byte behind the row catches a write past it.
  std::vector<uint8_t> row(size_t(width + 7) / 8 + 1, 0xA5);
  for (int rows = 0; rows < 10000; ++rows) {
    const kx::TFaxStatus s = decoder.CCITT3_2D_GetLine(row.data(), false);
    if (row.back() != 0xA5) __builtin_trap();
    if (decoder.BitPos() > int64_t(size - 3) * 8) __builtin_trap();
    if (s != kx::TFaxStatus::fsOk) break;
  }
  return 0;
}
