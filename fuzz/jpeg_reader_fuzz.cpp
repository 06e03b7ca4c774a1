// Fuzzes the JPEG reader: parameter-only and full reads at a scale picked from the input's size,
// and a read fitted while it decodes to a size picked from the picture's, with reasons and
// warnings collected.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/io/jpeg_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kxfuzz::LimitPixels();
  // Repeated scans cost a pass over the coefficients each; a low limit keeps inputs fast.
  kx::KXSetJpegScanLimit(100);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    r.params.JPEG_Scale = kx::TIOJPEGScale(size % 5);
    r.params.JPEG_DCTMethod = kx::TIOJPEGDctMethod((size / 5) % 3);
    r.params.Width = 64;
    r.params.Height = 48;
    kx::ReadJPegStream(r.stream, r.bitmap, r.params, preview, r.progress);
    if (!preview && !r.aborting && (r.bitmap.Width() != r.params.Width || r.bitmap.Height() != r.params.Height))
      __builtin_trap();
  }
  kxfuzz::TRead r(bytes);
  const int32_t divisor = int32_t(size % 7) + 1;
  kx::ReadJPegStreamFitted(
      r.stream, r.bitmap, r.params,
      [&](int32_t w, int32_t h) {
        return kx::TKXFittedSize{std::max(w / divisor, 1), std::max(h * 2 / divisor, 1)};
      },
      r.progress);
  if (!r.aborting && r.bitmap.Empty()) __builtin_trap();
  return 0;
}
