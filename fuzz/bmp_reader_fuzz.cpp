// Fuzzes the BMP reader: parameter-only and full reads, with the block size known or not
// (picked from the input's size) and reasons collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keeps every decoded picture well inside the fuzzer's memory budget.
  kx::KXSetPixelLimit(int64_t(1) << 22);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kx::TMemoryStream stream(bytes);
    kx::TBitmap bitmap;
    kx::TIOParamsVals params;
    bool aborting = false;
    kx::TKXDiagnostics diagnostics;
    kx::TProgressRec progress{};
    progress.Aborting = &aborting;
    progress.Diagnostics = &diagnostics;
    kx::BMPReadStream(stream, bitmap, int64_t(size % 3 == 0 ? 0 : size), params, preview, progress);
    if (!preview && !aborting && !bitmap.Empty() &&
        (bitmap.Width() != params.Width || bitmap.Height() != params.Height))
      __builtin_trap();
  }
  return 0;
}
