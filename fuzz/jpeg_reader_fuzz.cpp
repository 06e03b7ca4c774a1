// Fuzzes the JPEG reader: parameter-only and full reads at a scale picked from the input's size,
// with reasons and warnings collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keeps every decoded picture well inside the fuzzer's memory budget.
  kx::KXSetPixelLimit(int64_t(1) << 22);
  // Repeated scans cost a pass over the coefficients each; a low limit keeps inputs fast.
  kx::KXSetJpegScanLimit(100);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kx::TMemoryStream stream(bytes);
    kx::TBitmap bitmap;
    kx::TIOParamsVals params;
    params.JPEG_Scale = kx::TIOJPEGScale(size % 5);
    params.JPEG_DCTMethod = kx::TIOJPEGDctMethod((size / 5) % 3);
    params.Width = 64;
    params.Height = 48;
    bool aborting = false;
    kx::TKXDiagnostics diagnostics;
    kx::TProgressRec progress{};
    progress.Aborting = &aborting;
    progress.Diagnostics = &diagnostics;
    kx::ReadJPegStream(stream, bitmap, params, preview, progress);
    if (!preview && !aborting && (bitmap.Width() != params.Width || bitmap.Height() != params.Height)) __builtin_trap();
  }
  return 0;
}
