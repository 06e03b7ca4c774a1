// Fuzzes the GIF reader with the LZW coders installed: parameter-only and full reads of an
// image index picked from the input's size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/core/limits.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/lzw/lzw_coders.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A few bytes of descriptor ask for millions of pixels that a tiny stream never fills; a lower
  // limit keeps the runs fast while every path of the reader is still taken.
  kx::KXSetPixelLimit(int64_t(1) << 18);
  kx::KXInstallLZWCoders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    r.params.GIF_ImageIndex = int32_t(size % 3);
    int32_t count = 0;
    kx::ReadGifStream(r.stream, r.bitmap, count, r.params, r.progress, preview);
    if (r.WrongSize(preview)) __builtin_trap();
    // The reader never leaves the stream beyond its end.
    if (r.stream.Position() > r.stream.Size()) __builtin_trap();
  }
  return 0;
}
