// Fuzzes the CUR reader: parameter-only and full reads, the picture index and background
// picked from the input's size, with reasons collected.
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
    r.params.CUR_ImageIndex = int32_t(size % 3);
    r.params.CUR_Background = size % 2 ? kx::TRGB{0, 0, 0} : kx::TRGB{10, 20, 30};
    kx::CURTryStream(r.stream);
    kx::CURReadStream(r.stream, r.bitmap, r.params, preview, r.progress);
    if (r.WrongSize(preview)) __builtin_trap();
  }
  return 0;
}
