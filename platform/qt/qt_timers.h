// Timers of the Qt host: each one a QTimer on the user-interface thread, whose ticks run
// through the host's event barrier.
#pragma once

#include <map>

#include "platform/timer.h"

class QObject;
class QTimer;

namespace kx {

class TQtEventBarrier;

class TQtTimerService : public TTimerService {
 public:
  // Timers are children of `owner`, so they die with it; `barrier` must outlive the service.
  TQtTimerService(QObject* owner, TQtEventBarrier& barrier) : fOwner(owner), fBarrier(barrier) {}
  ~TQtTimerService() override;
  int64_t Start(int32_t intervalMs, std::function<void()> tick) override;
  void Stop(int64_t handle) override;

 private:
  QObject* fOwner;
  TQtEventBarrier& fBarrier;
  int64_t fNextHandle = 1;
  std::map<int64_t, QTimer*> fTimers;
};

}  // namespace kx
