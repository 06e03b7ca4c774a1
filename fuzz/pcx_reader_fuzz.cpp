// Fuzzes the PCX reader: parameter-only and full reads, with the block size the whole input or
// a part of it (picked from the input's size), reasons collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/io/pcx_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kxfuzz::LimitPixels();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    const int64_t block = size % 5 == 0 ? int64_t(size) - int64_t(size / 7) : int64_t(size);
    kx::ReadPcxStream(r.stream, r.bitmap, r.params, preview, r.progress, block);
    if (r.WrongSize(preview)) __builtin_trap();
  }
  return 0;
}
