// The shared progress record and the reporting rule Trunc(done x percent per unit).
#include "imaging/core/progress.h"

#include <algorithm>
#include <cstdint>

#include "imaging/core/pixelformat.h"

namespace kx {

bool kxAlwaysTrueBoolean = false;
TProgressRec nullpr{{}, nullptr, 0, 0, 0.0, &kxAlwaysTrueBoolean, nullptr};

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

void ReportRow(const TProgressRec& progress, int32_t y, int32_t y1, int32_t y2) {
  if (!progress.fOnProgress.Assigned()) return;
  const double per1 = 100.0 / (double(y2) - y1 + 0.5);
  progress.fOnProgress(progress.Sender, std::min(100, KXTrunc(double(int64_t(y) - y1 + 1) * per1)));
}

}  // namespace kx
