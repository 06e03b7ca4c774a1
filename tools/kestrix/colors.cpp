// `kestrix colors FILE`: the number of distinct colours of a picture, alone on one line (a 1-bit
// picture counts its two levels, used or not).
#include <cstdio>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {

namespace {

// Counted by the processing component over the whole picture, as the library counts them.
int32_t DistinctColors(kx::TBitmap& bitmap) {
  kx::TKestrixProc proc;
  proc.SetAttachedBitmap(&bitmap);
  return proc.CalcImageNumColors();
}

}  // namespace

int RunColors(const TCommandLine& cl) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadPicture(cl.Files[0], bitmap, params, false, cl.Quiet);
  std::printf("%d\n", int(DistinctColors(bitmap)));
  return 0;
}

}  // namespace kestrix
