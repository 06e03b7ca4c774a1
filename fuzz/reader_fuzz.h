// What the reader fuzz targets share: one read of the input from a memory stream, with the abort
// flag and the reasons collected, and the fuzzers' pixel limit.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"

namespace kxfuzz {

// Keeps every decoded picture well inside the fuzzer's memory budget.
inline void LimitPixels() { kx::KXSetPixelLimit(int64_t(1) << 22); }

struct TRead {
  explicit TRead(const std::vector<uint8_t>& bytes) : stream(bytes) {
    progress.Aborting = &aborting;
    progress.Diagnostics = &diagnostics;
  }
  // A full read that went through must give a picture of the size it reported.
  bool WrongSize(bool preview) const {
    return !preview && !aborting && !bitmap.Empty() &&
           (bitmap.Width() != params.Width || bitmap.Height() != params.Height);
  }

  kx::TMemoryStream stream;
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  bool aborting = false;
  kx::TKXDiagnostics diagnostics;
  kx::TProgressRec progress{};
};

}  // namespace kxfuzz
