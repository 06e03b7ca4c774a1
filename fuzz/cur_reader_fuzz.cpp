// Fuzzes the CUR reader: parameter-only and full reads, the picture index and background
// picked from the input's size, with reasons collected.
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
    params.CUR_ImageIndex = int32_t(size % 3);
    params.CUR_Background = size % 2 ? kx::TRGB{0, 0, 0} : kx::TRGB{10, 20, 30};
    kx::CURTryStream(stream);
    kx::CURReadStream(stream, bitmap, params, preview, progress);
    if (!preview && !aborting && !bitmap.Empty() &&
        (bitmap.Width() != params.Width || bitmap.Height() != params.Height))
      __builtin_trap();
  }
  return 0;
}
