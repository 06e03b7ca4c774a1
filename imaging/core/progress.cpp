// The shared progress record and the reporting rule Trunc(done x percent per unit).
#include "imaging/core/progress.h"

#include <algorithm>
#include <cstdint>

#include "imaging/core/pixelformat.h"

namespace kx {

bool kxAlwaysTrueBoolean = false;
TProgressRec nullpr{{}, nullptr, 0, 0, 0.0, &kxAlwaysTrueBoolean};

TProgressRec NullProgress() {
  kxAlwaysTrueBoolean = false;
  return nullpr;
}

void TProgressRec::Report(int offset) const {
  if (!fOnProgress.Assigned()) return;
  // A runaway per1 (a divisor of 0 set by hand) must not overflow into undefined behaviour.
  int64_t per = int64_t(KXTrunc(double(val) * per1)) + offset;
  fOnProgress(Sender, int(std::clamp<int64_t>(per, INT32_MIN, INT32_MAX)));
}

}  // namespace kx
