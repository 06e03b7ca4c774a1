// The splash and its picture.
#include "app/qt/about.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/qt/shell_look.h"

namespace quillop {

QImage SplashPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(width / 400.0, height / 300.0);

  QLinearGradient sky(0, 0, 0, 300);
  sky.setColorAt(0, QColor(236, 233, 224));
  sky.setColorAt(1, ShellFaceColor());
  p.fillRect(QRectF(0, 0, 400, 300), sky);

  // The envelope.
  const QRectF envelope(70, 135, 260, 125);
  p.setPen(QPen(ShellInkColor(), 3));
  p.setBrush(QColor(250, 248, 240));
  p.drawRoundedRect(envelope, 6, 6);

  // The photograph sliding into it: sky, sun and two hills.
  p.save();
  p.translate(200, 150);
  p.rotate(-8);
  const QRectF photo(-85, -85, 170, 115);
  p.setPen(QPen(Qt::white, 6));
  p.setBrush(QColor(120, 170, 215));
  p.drawRect(photo);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 205, 80));
  p.drawEllipse(QPointF(40, -50), 16, 16);
  QPainterPath hills;
  hills.moveTo(-82, 27);
  hills.cubicTo(-50, -40, -20, -30, 10, 5);
  hills.cubicTo(35, -30, 60, -25, 82, 0);
  hills.lineTo(82, 27);
  hills.closeSubpath();
  p.setBrush(QColor(85, 140, 80));
  p.drawPath(hills);
  p.restore();

  // The envelope's front flap over the photograph.
  QPainterPath flap;
  flap.moveTo(envelope.left(), envelope.top() + 30);
  flap.lineTo(envelope.center().x(), envelope.bottom() - 40);
  flap.lineTo(envelope.right(), envelope.top() + 30);
  flap.lineTo(envelope.right(), envelope.bottom());
  flap.lineTo(envelope.left(), envelope.bottom());
  flap.closeSubpath();
  p.setPen(QPen(ShellInkColor(), 3));
  p.setBrush(QColor(244, 240, 228));
  p.drawPath(flap);

  QFont title = ShellFont(26);
  title.setBold(true);
  p.setFont(title);
  p.setPen(ShellInkColor());
  p.drawText(QRectF(0, 4, 400, 44), Qt::AlignCenter, "Quillop");
  QFont line = ShellFont(11);
  p.setFont(line);
  p.drawText(QRectF(0, 262, 400, 30), Qt::AlignCenter, "Scan it, touch it up, send it.");
  return image;
}

TAbout::TAbout(QWidget* parent) : QWidget(parent, Qt::Tool), fImage(new QLabel(this)) {
  setObjectName("About");
  setWindowTitle("Loading...");
  setFixedSize(400, 300);
  fImage->setObjectName("Image1");
  fImage->setGeometry(0, 0, 400, 300);
  fImage->setPixmap(QPixmap::fromImage(SplashPicture(400, 300)));
}

void TAbout::ShowWith(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  CentreOnScreen(*this);
  show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

}  // namespace quillop
