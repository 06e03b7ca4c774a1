// The report of the Qt host's event barrier.
#include "platform/qt/event_barrier.h"

#include <algorithm>
#include <cstdio>

namespace kx {

void TQtEventBarrier::Report(const char* event, const char* what) noexcept {
  try {
    if (std::find(fReported.begin(), fReported.end(), event) != fReported.end()) return;
    fReported.emplace_back(event);
  } catch (...) {
    // Out of memory while remembering: report this one all the same.
  }
  std::fprintf(stderr, "kestrix: the %s event failed and was ignored: %s\n", event, what);
}

}  // namespace kx
