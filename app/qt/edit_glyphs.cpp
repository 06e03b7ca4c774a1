// Rotation arrows and mirror triangles.
#include "app/qt/edit_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillop {

namespace {

constexpr int kSide = 16;

// Three quarters of a circle with an arrow head at its end, turning clockwise.
void DrawTurn(QPainter& p) {
  p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, -270 * 16);
  QPainterPath head;
  head.moveTo(5.5, 8);
  head.lineTo(0.5, 8);
  head.lineTo(3, 12.5);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPath(head);
}

// Two triangles facing each other across a dashed axis, mirrored left to right.
void DrawMirror(QPainter& p) {
  p.setPen(QPen(Qt::black, 1, Qt::DashLine));
  p.drawLine(QPointF(8, 1), QPointF(8, 15));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPolygon(QPolygonF({QPointF(6.5, 3), QPointF(6.5, 13), QPointF(1, 13)}));
  p.setBrush(Qt::white);
  p.setPen(QPen(Qt::black, 1));
  p.drawPolygon(QPolygonF({QPointF(9.5, 3), QPointF(9.5, 13), QPointF(15, 13)}));
}

}  // namespace

QIcon EditGlyphIcon(TEditGlyph glyph) {
  QPixmap pixmap(kSide, kSide);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (glyph) {
    case TEditGlyph::RotateRight:
      DrawTurn(p);
      break;
    case TEditGlyph::RotateLeft:
      p.translate(kSide, 0);
      p.scale(-1, 1);
      DrawTurn(p);
      break;
    case TEditGlyph::FlipHorizontal:
      DrawMirror(p);
      break;
    case TEditGlyph::FlipVertical:
      p.translate(0, kSide);
      p.rotate(-90);
      DrawMirror(p);
      break;
  }
  return QIcon(pixmap);
}

}  // namespace quillop
