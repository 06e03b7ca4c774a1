// Fuzzes the PNG reader: parameter-only and full reads over a background picked from the
// input's size, with reasons collected.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"

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
    params.PNG_Background = kx::TRGB{uint8_t(size), uint8_t(size >> 8), 0x80};
    bool aborting = false;
    kx::TKXDiagnostics diagnostics;
    kx::TProgressRec progress{};
    progress.Aborting = &aborting;
    progress.Diagnostics = &diagnostics;
    kx::ReadPNGStream(stream, bitmap, params, preview, progress);
    if (!preview && !aborting &&
        (bitmap.Width() != params.Width || bitmap.Height() != params.Height ||
         (bitmap.PixelFormat() != kx::pf24bit && bitmap.PixelFormat() != kx::pf1bit)))
      __builtin_trap();
  }
  return 0;
}
