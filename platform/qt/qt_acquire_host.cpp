#include "platform/qt/qt_acquire_host.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "platform/qt/control_host.h"

namespace kx {

TQtAcquireHost::TQtAcquireHost() {
  // The application object's filter sees the quit request before the application acts on it.
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

TQtAcquireHost::~TQtAcquireHost() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

QWidget* TQtAcquireHost::WidgetOf(uintptr_t window) {
  if (window == 0) return nullptr;
  for (QWidget* widget : QApplication::allWidgets())
    if (auto* host = dynamic_cast<TQtControlHost*>(widget);
        host && reinterpret_cast<uintptr_t>(host->Control()) == window)
      return host;
  return nullptr;
}

bool TQtAcquireHost::IsWindow(uintptr_t window) { return WidgetOf(window) != nullptr; }

void TQtAcquireHost::EnableWindow(uintptr_t window, bool on) {
  if (QWidget* widget = WidgetOf(window)) widget->window()->setEnabled(on);
}

bool TQtAcquireHost::NextEvent() {
  if (!fQuitRequested) {
    // The tick wakes the wait when nothing else happens, so the source is asked again soon.
    QTimer tick;
    tick.setSingleShot(true);
    tick.start(kTickMs);
    fInTurn = true;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    fInTurn = false;
  }
  return !fQuitRequested;
}

void TQtAcquireHost::PostQuit() {
  fQuitRequested = false;
  QCoreApplication::quit();
}

bool TQtAcquireHost::eventFilter(QObject* watched, QEvent* event) {
  // Only a request that arrives during a turn belongs to the scan; any other goes its way.
  if (fInTurn && event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
    fQuitRequested = true;
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kx
