// The convolution members of the processing component.
#include <algorithm>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/filters.h"

namespace kx {

void TKestrixProc::ApplyFilter(const TGraphFilter& filter) {
  RunOnSelection([&](TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _ApplyFilter(bitmap, filter, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::ApplyFilterPreset(TKXFilterPresets preset) {
  if (preset < kKXFilterPresetCount) ApplyFilter(KXFiltPres[preset]);
}

}  // namespace kx
