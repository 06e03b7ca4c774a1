// Fuzzes the TIFF LZW decoder alone: the first byte chooses the row size, the rest is one
// strip, decoded row by row until it fails; the decoder must never read past the strip.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/io/lzw/lzw_coders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t rowSize = 1 + data[0] % 97;
  // A copy of exactly the strip's bytes, so that any read beyond them is caught.
  std::vector<uint8_t> strip(data + 1, data + size);
  intptr_t context = 0;
  uint8_t sink = 0;
  for (int row = 0; row < 4096; ++row) {
    const uint8_t* out = kx::KXTiffLZWDecodeRow(strip.data(), int64_t(strip.size()), rowSize, context);
    if (!out) break;
    for (int32_t i = 0; i < rowSize; ++i) sink ^= out[i];
  }
  kx::KXTiffLZWDecodeRow(nullptr, 0, 0, context);
  if (context != 0) __builtin_trap();
  (void)sink;
  return 0;
}
