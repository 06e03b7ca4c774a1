// Fuzzes the BMP reader: parameter-only and full reads, with the block size known or not
// (picked from the input's size) and reasons collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/io/bmp_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kxfuzz::LimitPixels();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    kx::BMPReadStream(r.stream, r.bitmap, int64_t(size % 3 == 0 ? 0 : size), r.params, preview, r.progress);
    if (r.WrongSize(preview)) __builtin_trap();
  }
  return 0;
}
