// The image view's cursor shapes, drawn once on 32 x 32 pixmaps: each figure in black over a
// white halo, so that it stays clear on dark and light pictures alike.
#include "platform/qt/cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <cmath>
#include <map>

namespace kx {

namespace {

constexpr int kSize = 32;

// A double-headed arrow from a to b, heads 5 pixels long.
void Arrow(QPainterPath& path, QPointF a, QPointF b) {
  path.moveTo(a);
  path.lineTo(b);
  for (QPointF tip : {a, b}) {
    const QPointF other = tip == a ? b : a;
    QPointF d = other - tip;
    const double len = std::hypot(d.x(), d.y());
    d /= len;
    const QPointF n(-d.y(), d.x());
    path.moveTo(tip + 5 * d + 4 * n);
    path.lineTo(tip);
    path.lineTo(tip + 5 * d - 4 * n);
  }
}

QPainterPath Shape(TCursor id) {
  QPainterPath p;
  switch (id) {
    case crKXZoomOut:
    case crKXZoomIn:
      p.addEllipse(QPointF(12, 12), 8, 8);
      p.moveTo(18, 18);
      p.lineTo(28, 28);
      p.moveTo(8, 12);
      p.lineTo(16, 12);
      if (id == crKXZoomIn) {
        p.moveTo(12, 8);
        p.lineTo(12, 16);
      }
      break;
    case crKXCross:
      p.moveTo(15.5, 2);
      p.lineTo(15.5, 29);
      p.moveTo(2, 15.5);
      p.lineTo(29, 15.5);
      break;
    case crKXEraser:
      p.moveTo(4, 24);
      p.lineTo(18, 10);
      p.lineTo(26, 18);
      p.lineTo(12, 32 - 0.5);
      p.closeSubpath();
      p.moveTo(8, 20);
      p.lineTo(16, 28);
      break;
    case crKXHand:
      p.addRoundedRect(QRectF(8, 14, 16, 14), 4, 4);
      for (int i = 0; i < 4; ++i)
        p.addRoundedRect(QRectF(8 + 4 * i, 4 + (i == 0 || i == 3 ? 3 : 0), 3.5, 11), 1.5, 1.5);
      p.addRoundedRect(QRectF(3, 14, 6, 3.5), 1.5, 1.5);
      break;
    case crKXPen:
      p.moveTo(2, 29);
      p.lineTo(5, 21);
      p.lineTo(23, 3);
      p.lineTo(28, 8);
      p.lineTo(10, 26);
      p.closeSubpath();
      p.moveTo(5, 21);
      p.lineTo(10, 26);
      break;
    case crKXCross1:
      for (auto [x0, y0, x1, y1] : {std::array<double, 4>{15.5, 2, 15.5, 12},
                                    {15.5, 19, 15.5, 29},
                                    {2, 15.5, 12, 15.5},
                                    {19, 15.5, 29, 15.5}}) {
        p.moveTo(x0, y0);
        p.lineTo(x1, y1);
      }
      break;
    case crKXCross2:
      p.moveTo(15.5, 2);
      p.lineTo(15.5, 12);
      p.moveTo(15.5, 19);
      p.lineTo(15.5, 29);
      p.moveTo(2, 15.5);
      p.lineTo(12, 15.5);
      p.moveTo(19, 15.5);
      p.lineTo(29, 15.5);
      p.addEllipse(QPointF(15.5, 15.5), 1, 1);
      break;
    case crKXMove2:
      Arrow(p, {6, 6}, {25, 25});
      break;
    case crKXMoveY:
      Arrow(p, {15.5, 3}, {15.5, 28});
      break;
    case crKXMove1:
      Arrow(p, {25, 6}, {6, 25});
      break;
    case crKXMoveX:
      Arrow(p, {3, 15.5}, {28, 15.5});
      break;
    case crKXMove:
      Arrow(p, {15.5, 3}, {15.5, 28});
      Arrow(p, {3, 15.5}, {28, 15.5});
      break;
    default:
      break;
  }
  return p;
}

QPoint HotSpot(TCursor id) {
  switch (id) {
    case crKXZoomOut:
    case crKXZoomIn:
      return {12, 12};
    case crKXEraser:
      return {4, 24};
    case crKXPen:
      return {2, 29};
    default:
      return {15, 15};
  }
}

QCursor Draw(TCursor id) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPainterPath path = Shape(id);
  painter.strokePath(path, QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.strokePath(path, QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.end();
  const QPoint hot = HotSpot(id);
  return QCursor(pixmap, hot.x(), hot.y());
}

}  // namespace

QCursor KXQtCursor(TCursor id) {
  switch (id) {
    case crCross:
      return QCursor(Qt::CrossCursor);
    case crHourGlass:
      return QCursor(Qt::WaitCursor);
    default:
      break;
  }
  if (id < crKXFirst || id > crKXLast) return QCursor(Qt::ArrowCursor);
  static std::map<TCursor, QCursor> drawn;
  auto it = drawn.find(id);
  if (it == drawn.end()) it = drawn.emplace(id, Draw(id)).first;
  return it->second;
}

}  // namespace kx
