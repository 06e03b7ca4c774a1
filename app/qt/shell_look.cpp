// The shell's shared look.
#include "app/qt/shell_look.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace quillop {

void PaintFace(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, color);
  palette.setColor(QPalette::Button, color);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace quillop
