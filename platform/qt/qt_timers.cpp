// QTimer-backed timers.
#include "platform/qt/qt_timers.h"

#include <QTimer>
#include <algorithm>

#include "platform/qt/event_barrier.h"

namespace kx {

TQtTimerService::~TQtTimerService() {
  for (auto& [handle, timer] : fTimers) delete timer;
}

int64_t TQtTimerService::Start(int32_t intervalMs, std::function<void()> tick) {
  auto* timer = new QTimer(fOwner);
  timer->setInterval(std::max(intervalMs, 1));
  QObject::connect(timer, &QTimer::timeout, timer,
                   [barrier = &fBarrier, tick = std::move(tick)] { barrier->Run("timer", tick); });
  timer->start();
  const int64_t handle = fNextHandle++;
  fTimers[handle] = timer;
  return handle;
}

void TQtTimerService::Stop(int64_t handle) {
  auto it = fTimers.find(handle);
  if (it == fTimers.end()) return;
  // A tick may stop its own timer: the QTimer goes once its signal has returned.
  it->second->stop();
  it->second->deleteLater();
  fTimers.erase(it);
}

}  // namespace kx
