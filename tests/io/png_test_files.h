// What the PNG tests share: writing a picture into PNG bytes and reading them back with the
// parameters, the abort flag and its reason.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"

namespace kxtest {

struct TPngDecoded {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  bool aborted = false;
  kx::TKXDiagnostics diagnostics;
};

inline TPngDecoded DecodePng(const std::vector<uint8_t>& bytes, kx::TRGB background = kx::TRGB{},
                             bool preview = false) {
  TPngDecoded d;
  d.params.PNG_Background = background;
  kx::TMemoryStream stream(bytes);
  kx::TProgressRec progress;
  progress.Aborting = &d.aborted;
  progress.Diagnostics = &d.diagnostics;
  kx::ReadPNGStream(stream, d.bitmap, d.params, preview, progress);
  return d;
}

// The file's bytes; the write must not abort. `rec`, when given, receives the progress.
inline std::vector<uint8_t> EncodePng(kx::TBitmap& bitmap, const kx::TIOParamsVals& params,
                                      kx::TProgressRec* rec = nullptr) {
  kx::TMemoryStream stream;
  bool aborted = false;
  kx::TProgressRec progress;
  progress.Aborting = &aborted;
  kx::WritePNGStream(stream, bitmap, params, rec ? *rec : progress);
  EXPECT_FALSE(aborted);
  return stream.Bytes();
}

}  // namespace kxtest
