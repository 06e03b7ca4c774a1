// Timers for controls: the service a host offers, and a hand-driven one for tests and hidden
// controls, whose clock moves only when told to.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace kx {

class TTimerService {
 public:
  virtual ~TTimerService() = default;
  // Calls `tick` every `intervalMs` milliseconds on the user-interface thread until Stop.
  // Returns a handle above 0.
  virtual int64_t Start(int32_t intervalMs, std::function<void()> tick) = 0;
  // Stopping an unknown or stopped handle does nothing; a tick may stop its own timer.
  virtual void Stop(int64_t handle) = 0;
};

class TManualTimerService : public TTimerService {
 public:
  int64_t Start(int32_t intervalMs, std::function<void()> tick) override;
  void Stop(int64_t handle) override;

  int64_t Now() const { return fNow; }
  // Moves the clock forward, firing every tick that falls due on the way in time order (timers
  // due at the same moment in the order they were started).
  void Advance(int64_t ms);
  int32_t ActiveCount() const { return int32_t(fTimers.size()); }

 private:
  struct TEntry {
    int32_t Interval;
    int64_t Due;
    std::function<void()> Tick;
  };
  int64_t fNow = 0;
  int64_t fNextHandle = 1;
  std::map<int64_t, TEntry> fTimers;
};

}  // namespace kx
