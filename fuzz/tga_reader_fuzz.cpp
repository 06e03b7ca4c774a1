// Fuzzes the Targa content test and reader: parameter-only and full reads, with the block the
// rest of the input or a part of it (picked from the input's size), reasons collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/io/tga_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kxfuzz::LimitPixels();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    // The content test leaves the position where it was.
    kx::TryTGA(r.stream);
    if (r.stream.Position() != 0) __builtin_trap();
    const int64_t block = size % 5 == 0 ? int64_t(size) - int64_t(size / 7) : 0;
    kx::ReadTGAStream(r.stream, r.bitmap, r.params, preview, r.progress, block);
    if (r.WrongSize(preview)) __builtin_trap();
    if (r.stream.Position() > int64_t(size)) __builtin_trap();
  }
  return 0;
}
