// TControlHost: what a control asks of whatever shows it (a window of a toolkit, or the headless
// host of tests and hidden controls). The host owns nothing of the control; it shows the pixels
// that TCustomControl::Render returns and feeds input back through the control's entry points.
#pragma once

#include <cstdint>

namespace kx {

class TCustomControl;
class TTimerService;

class TControlHost {
 public:
  virtual ~TControlHost() = default;

  // The client rectangle [left, right) x [top, bottom) must be shown again. The host calls
  // Render (at once or later) and shows at least that part of the result.
  virtual void Invalidate(TCustomControl& control, int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  // ShownCursor() changed.
  virtual void CursorChanged(TCustomControl& control) = 0;
  // A scroll bar's state changed (visibility, range, page or position).
  virtual void ScrollBarsChanged(TCustomControl& control) = 0;
  // The control is being destroyed: forget it.
  virtual void ControlDestroyed(TCustomControl& control) = 0;
  virtual TTimerService& Timers() = 0;
  // Thickness of a scroll bar in pixels.
  virtual int32_t ScrollBarExtent() const = 0;
};

}  // namespace kx
