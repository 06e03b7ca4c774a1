// The hand-driven timer service.
#include "platform/timer.h"

#include <algorithm>

namespace kx {

int64_t TManualTimerService::Start(int32_t intervalMs, std::function<void()> tick) {
  const int32_t interval = std::max(intervalMs, 1);
  const int64_t handle = fNextHandle++;
  fTimers[handle] = TEntry{interval, fNow + interval, std::move(tick)};
  return handle;
}

void TManualTimerService::Stop(int64_t handle) { fTimers.erase(handle); }

void TManualTimerService::Advance(int64_t ms) {
  const int64_t target = fNow + std::max<int64_t>(ms, 0);
  for (;;) {
    auto next = fTimers.end();
    for (auto it = fTimers.begin(); it != fTimers.end(); ++it)
      if (it->second.Due <= target && (next == fTimers.end() || it->second.Due < next->second.Due)) next = it;
    if (next == fTimers.end()) break;
    fNow = next->second.Due;
    next->second.Due += next->second.Interval;
    // The tick may stop or start timers, so it runs from a copy.
    std::function<void()> tick = next->second.Tick;
    tick();
  }
  fNow = target;
}

}  // namespace kx
