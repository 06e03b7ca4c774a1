// THeadlessHost: shows a control nowhere. It records what the control asked for (repaints,
// cursors, scroll-bar changes), runs its timers on a hand-driven clock, and hands out the painted
// client area as a bitmap: the host of tests and of controls that are never on screen.
#pragma once

#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"
#include "platform/control.h"
#include "platform/host.h"
#include "platform/timer.h"

namespace kx {

class THeadlessHost : public TControlHost {
 public:
  THeadlessHost() = default;
  // Attaches `control` with the given outer size.
  THeadlessHost(TCustomControl& control, int32_t width, int32_t height);
  ~THeadlessHost() override;

  void Attach(TCustomControl& control);
  void Detach();
  TCustomControl* Control() const { return fControl; }

  // Renders the control and returns a copy of its client area.
  TBitmap Snapshot();

  TManualTimerService& Clock() { return fClock; }
  // Client rectangles the control asked to show again, oldest first.
  std::vector<TRect> Invalidations;
  int32_t CursorChanges = 0;
  int32_t ScrollBarChanges = 0;
  void ClearRecords();

  void Invalidate(TCustomControl& control, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void CursorChanged(TCustomControl& control) override;
  void ScrollBarsChanged(TCustomControl& control) override;
  void ControlDestroyed(TCustomControl& control) override;
  TTimerService& Timers() override { return fClock; }
  int32_t ScrollBarExtent() const override { return kDefaultScrollBarExtent; }

 private:
  TCustomControl* fControl = nullptr;
  TManualTimerService fClock;
};

}  // namespace kx
