// The colours and fonts the shell's windows share.
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace quillop {

// The windows' face: red 214, green 211, blue 202.
inline QColor ShellFaceColor() { return QColor(214, 211, 202); }
// Links and the scanner dialog's words: red 119, green 112, blue 95.
inline QColor ShellInkColor() { return QColor(119, 112, 95); }
// The windows' font; where that face is missing Qt takes its nearest sans-serif.
inline QFont ShellFont(int points = 8) {
  QFont font("MS Sans Serif", points);
  font.setStyleHint(QFont::SansSerif);
  return font;
}
// Gives `widget` the face colour as its background.
void PaintFace(QWidget& widget, const QColor& color = ShellFaceColor());
// Centres `window` on the screen it is on.
void CentreOnScreen(QWidget& window);

}  // namespace quillop
