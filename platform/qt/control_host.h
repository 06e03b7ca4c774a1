// TQtControlHost: the QWidget that shows one self-drawn control. It blits the control's back
// buffer inside its one-pixel frame, forwards mouse, wheel, keys, focus and resizes, keeps two
// native scroll bars in step with the control's scroll-bar state, shows the control's cursor and
// runs its timers. Everything the control does is decided by the control; whatever it throws
// stops at the widget's event barrier.
#pragma once

#include <QImage>
#include <QWidget>

#include "platform/host.h"
#include "platform/qt/event_barrier.h"
#include "platform/qt/qt_timers.h"

class QPainter;
class QScrollBar;

namespace kx {

class TQtControlHost : public QWidget, public TControlHost {
 public:
  // Attaches `control`, which must outlive the widget or be destroyed first (both work).
  explicit TQtControlHost(TCustomControl& control, QWidget* parent = nullptr);
  ~TQtControlHost() override;

  TCustomControl* Control() const { return fControl; }
  QScrollBar* HorizontalBar() const { return fBars[0]; }
  QScrollBar* VerticalBar() const { return fBars[1]; }
  // Top-left corner of the client area inside the widget.
  QPoint ClientOrigin() const;

  void Invalidate(TCustomControl& control, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void CursorChanged(TCustomControl& control) override;
  void ScrollBarsChanged(TCustomControl& control) override;
  void ControlDestroyed(TCustomControl& control) override;
  TTimerService& Timers() override { return fTimers; }
  int32_t ScrollBarExtent() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void LayoutBars();
  void Press(QMouseEvent* event, bool doubleClick);
  void PaintClient(QPainter& painter, const QRect& damage);
  // The wheel turn to act on: whole notches of `delta` on its axis, the rest kept for later.
  int WholeNotches(int axis, int delta);

  TCustomControl* fControl;
  TQtEventBarrier fBarrier;  // before fTimers, whose ticks run through it
  TQtTimerService fTimers;
  QScrollBar* fBars[2];
  bool fSyncingBars = false;
  QImage fImage;  // the client area in the screen's 32-bit format
  // Wheel turn below a whole notch, per axis (vertical, horizontal), in eighths of a degree.
  int fWheelRest[2] = {0, 0};
};

}  // namespace kx
