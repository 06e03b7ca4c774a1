// Fuzzes the PNG reader: parameter-only and full reads over a background picked from the
// input's size, with reasons collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/io/png_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kxfuzz::LimitPixels();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    r.params.PNG_Background = kx::TRGB{uint8_t(size), uint8_t(size >> 8), 0x80};
    kx::ReadPNGStream(r.stream, r.bitmap, r.params, preview, r.progress);
    // A full read gives a 24-bit or 1-bit picture.
    const kx::TPixelFormat format = r.bitmap.PixelFormat();
    if (!preview && !r.aborting && format != kx::pf24bit && format != kx::pf1bit) __builtin_trap();
    if (!preview && !r.aborting && (r.bitmap.Width() != r.params.Width || r.bitmap.Height() != r.params.Height))
      __builtin_trap();
  }
  return 0;
}
