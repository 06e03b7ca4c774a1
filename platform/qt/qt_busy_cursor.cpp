#include "platform/qt/qt_busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace kx {

void TQtBusyCursor::Show() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void TQtBusyCursor::Hide() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace kx
