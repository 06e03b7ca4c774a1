// A label that answers a click, for the value readouts (a click resets the slider) and the link.
#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <functional>

namespace quillop {

class TClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
    QLabel::mouseReleaseEvent(event);
  }
};

}  // namespace quillop
