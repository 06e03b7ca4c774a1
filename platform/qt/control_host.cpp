// The Qt host widget. Painting converts only the damaged rows of the back buffer from
// blue-green-red bytes to the 32-bit format Qt draws without conversion. Every handler runs the
// control's part through the event barrier, so no exception reaches Qt's event loop.
#include "platform/qt/control_host.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "platform/control.h"
#include "platform/keys.h"
#include "platform/qt/cursors.h"

namespace kx {

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton) {
  TShiftState s;
  if (mods & Qt::ShiftModifier) s.Include(ssShift);
  if (mods & Qt::AltModifier) s.Include(ssAlt);
  if (mods & Qt::ControlModifier) s.Include(ssCtrl);
  if (buttons & Qt::LeftButton) s.Include(ssLeft);
  if (buttons & Qt::RightButton) s.Include(ssRight);
  if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
  return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
  switch (b) {
    case Qt::LeftButton:
      out = mbLeft;
      return true;
    case Qt::RightButton:
      out = mbRight;
      return true;
    case Qt::MiddleButton:
      out = mbMiddle;
      return true;
    default:
      return false;
  }
}

int32_t KeyOf(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  switch (key) {
    case Qt::Key_Backspace:
      return vkBack;
    case Qt::Key_Tab:
      return vkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vkReturn;
    case Qt::Key_Escape:
      return vkEscape;
    case Qt::Key_Space:
      return vkSpace;
    case Qt::Key_PageUp:
      return vkPrior;
    case Qt::Key_PageDown:
      return vkNext;
    case Qt::Key_End:
      return vkEnd;
    case Qt::Key_Home:
      return vkHome;
    case Qt::Key_Left:
      return vkLeft;
    case Qt::Key_Up:
      return vkUp;
    case Qt::Key_Right:
      return vkRight;
    case Qt::Key_Down:
      return vkDown;
    case Qt::Key_Delete:
      return vkDelete;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return vkOemPlus;
    case Qt::Key_Minus:
      return vkOemMinus;
    default:
      return key >= Qt::Key_F1 && key <= Qt::Key_F24 ? vkF1 + (key - Qt::Key_F1) : 0;
  }
}

// A wheel notch, in eighths of a degree: what one click of a mouse wheel turns. One event turns
// at most a hundred, so no sum or scroll step can overflow.
constexpr int kWheelNotch = 120;
constexpr int kMaxWheelTurn = 100 * kWheelNotch;

}  // namespace

TQtControlHost::TQtControlHost(TCustomControl& control, QWidget* parent)
    : QWidget(parent), fControl(&control), fTimers(this, fBarrier) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  for (int kind = 0; kind < 2; ++kind) {
    fBars[kind] = new QScrollBar(kind == sbHorizontal ? Qt::Horizontal : Qt::Vertical, this);
    fBars[kind]->hide();
    connect(fBars[kind], &QScrollBar::valueChanged, this, [this, kind](int value) {
      if (fSyncingBars || !fControl) return;
      fBarrier.Run("scroll bar", [&] { fControl->Scrolled(TScrollBarKind(kind), value); });
    });
  }
  resize(std::max(control.Width(), 1), std::max(control.Height(), 1));
  control.SetHost(this);
  ScrollBarsChanged(control);
  CursorChanged(control);
}

TQtControlHost::~TQtControlHost() {
  if (fControl) fControl->SetHost(nullptr);
}

QPoint TQtControlHost::ClientOrigin() const {
  const int b = fControl ? fControl->BorderWidth() : 0;
  return QPoint(b, b);
}

int32_t TQtControlHost::ScrollBarExtent() const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void TQtControlHost::Invalidate(TCustomControl&, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  update(QRect(ClientOrigin() + QPoint(left, top), QSize(right - left, bottom - top)));
}

void TQtControlHost::CursorChanged(TCustomControl& control) { setCursor(KXQtCursor(control.ShownCursor())); }

void TQtControlHost::ScrollBarsChanged(TCustomControl& control) {
  fSyncingBars = true;
  for (int kind = 0; kind < 2; ++kind) {
    const TScrollBarState& s = control.ScrollBar(TScrollBarKind(kind));
    QScrollBar* bar = fBars[kind];
    // Our range covers the whole document, Qt's the positions the box can take.
    bar->setRange(s.Min, std::max(s.Min, s.Max - std::max(s.Page, 1) + 1));
    bar->setPageStep(std::max(s.Page, 1));
    bar->setSingleStep(std::max(s.Page / 20, 1));
    bar->setValue(s.Position);
    bar->setVisible(s.Visible);
  }
  fSyncingBars = false;
  LayoutBars();
}

void TQtControlHost::ControlDestroyed(TCustomControl& control) {
  if (&control == fControl) fControl = nullptr;
  update();
}

void TQtControlHost::LayoutBars() {
  if (!fControl) return;
  const int b = fControl->BorderWidth(), e = ScrollBarExtent();
  const bool h = fBars[0]->isVisibleTo(this), v = fBars[1]->isVisibleTo(this);
  fBars[0]->setGeometry(b, height() - b - e, std::max(width() - 2 * b - (v ? e : 0), 0), e);
  fBars[1]->setGeometry(width() - b - e, b, e, std::max(height() - 2 * b - (h ? e : 0), 0));
}

void TQtControlHost::PaintClient(QPainter& painter, const QRect& damage) {
  const TPixelView view = fControl->Render();
  if (fImage.width() != view.Width || fImage.height() != view.Height)
    fImage = QImage(std::max(view.Width, 1), std::max(view.Height, 1), QImage::Format_RGB32);
  const QPoint origin = ClientOrigin();
  const QRect rows = damage.translated(-origin).intersected(QRect(0, 0, view.Width, view.Height));
  for (int y = rows.top(); y <= rows.bottom(); ++y) {
    const uint8_t* src = view.Top + intptr_t(y) * view.Stride + rows.left() * 3;
    auto* dst = reinterpret_cast<QRgb*>(fImage.scanLine(y)) + rows.left();
    for (int x = 0; x < rows.width(); ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
  }
  if (!rows.isEmpty()) painter.drawImage(rows.topLeft() + origin, fImage, rows);
}

void TQtControlHost::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // A control that cannot paint leaves the window's colour, not stale or half-drawn pixels.
  if (!fControl || !fBarrier.Run("paint", [&] { PaintClient(painter, event->rect()); }))
    painter.fillRect(event->rect(), palette().window());
  if (fControl && fControl->BorderWidth() > 0) {
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(QRect(0, 0, width() - 1, height() - 1));
  }
  // The corner between two visible bars belongs to no one.
  if (fBars[0]->isVisibleTo(this) && fBars[1]->isVisibleTo(this))
    painter.fillRect(QRect(fBars[1]->x(), fBars[0]->y(), fBars[1]->width(), fBars[0]->height()), palette().window());
}

void TQtControlHost::resizeEvent(QResizeEvent*) {
  if (fControl)
    fBarrier.Run("resize", [&] { fControl->SetBounds(fControl->Left(), fControl->Top(), width(), height()); });
  LayoutBars();
}

void TQtControlHost::Press(QMouseEvent* event, bool doubleClick) {
  TMouseButton button;
  if (!fControl || !ButtonOf(event->button(), button)) return;
  TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
  if (doubleClick) shift.Include(ssDouble);
  const QPoint p = event->position().toPoint() - ClientOrigin();
  fBarrier.Run(doubleClick ? "mouse double click" : "mouse press",
               [&] { fControl->MouseDown(button, shift, p.x(), p.y()); });
}

void TQtControlHost::mousePressEvent(QMouseEvent* event) { Press(event, false); }
void TQtControlHost::mouseDoubleClickEvent(QMouseEvent* event) { Press(event, true); }

void TQtControlHost::mouseMoveEvent(QMouseEvent* event) {
  if (!fControl) return;
  const QPoint p = event->position().toPoint() - ClientOrigin();
  fBarrier.Run("mouse move", [&] { fControl->MouseMove(ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y()); });
}

void TQtControlHost::mouseReleaseEvent(QMouseEvent* event) {
  TMouseButton button;
  if (!fControl || !ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint() - ClientOrigin();
  fBarrier.Run("mouse release",
               [&] { fControl->MouseUp(button, ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y()); });
}

int TQtControlHost::WholeNotches(int axis, int delta) {
  int& rest = fWheelRest[axis];
  delta = std::clamp(delta, -kMaxWheelTurn, kMaxWheelTurn);
  // Turning back drops what was gathered the other way.
  if ((rest < 0 && delta > 0) || (rest > 0 && delta < 0)) rest = 0;
  rest += delta;
  const int whole = rest / kWheelNotch * kWheelNotch;
  rest -= whole;
  return whole;
}

void TQtControlHost::wheelEvent(QWheelEvent* event) {
  if (!fControl) return;
  // Touchpads turn in small steps: they add up to whole notches, which is what the control
  // and the bars act on.
  const bool vertical = event->angleDelta().y() != 0;
  const int delta = WholeNotches(vertical ? 0 : 1, vertical ? event->angleDelta().y() : event->angleDelta().x());
  if (delta == 0) return;
  const QPoint p = event->position().toPoint() - ClientOrigin();
  const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
  bool handled = false;
  if (!fBarrier.Run("wheel", [&] { handled = fControl->MouseWheel(shift, delta, p.x(), p.y()); }) || handled) return;
  // Unhandled: the wheel moves a visible bar, vertical first.
  const bool horizontal = !vertical || !fBars[1]->isVisible();
  QScrollBar* bar = fBars[horizontal ? 0 : 1];
  if (!bar->isVisible()) return event->ignore();
  bar->setValue(bar->value() - delta / kWheelNotch * bar->singleStep() * 3);
}

void TQtControlHost::keyPressEvent(QKeyEvent* event) {
  const int32_t key = KeyOf(event->key());
  if (!fControl || key == 0) return QWidget::keyPressEvent(event);
  fBarrier.Run("key press", [&] { fControl->KeyDown(key, ShiftOf(event->modifiers())); });
}

void TQtControlHost::keyReleaseEvent(QKeyEvent* event) {
  const int32_t key = KeyOf(event->key());
  if (!fControl || key == 0) return QWidget::keyReleaseEvent(event);
  fBarrier.Run("key release", [&] { fControl->KeyUp(key, ShiftOf(event->modifiers())); });
}

void TQtControlHost::focusInEvent(QFocusEvent*) {
  if (fControl) fBarrier.Run("focus in", [&] { fControl->SetFocused(true); });
}
void TQtControlHost::focusOutEvent(QFocusEvent*) {
  if (fControl) fBarrier.Run("focus out", [&] { fControl->SetFocused(false); });
}

}  // namespace kx
