// The shared progress record and the reporting rule Trunc(done x percent per unit).
#include "imaging/core/progress.h"

#include "imaging/core/pixelformat.h"

namespace kx {

bool kxAlwaysTrueBoolean = false;
TProgressRec nullpr{{}, nullptr, 0, 0, 0.0, &kxAlwaysTrueBoolean};

TProgressRec NullProgress() {
  kxAlwaysTrueBoolean = false;
  return nullpr;
}

void TProgressRec::Report(int offset) const {
  if (fOnProgress.Assigned()) fOnProgress(Sender, KXTrunc(double(val) * per1) + offset);
}

}  // namespace kx
