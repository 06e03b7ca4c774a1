// The wait window.
#include "app/qt/message_dialog.h"

#include <QCoreApplication>

#include "app/qt/shell_look.h"

namespace quillop {

TMessageDialog::TMessageDialog(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), fText(new QLabel(this)) {
  setObjectName("MessageDialog");
  setWindowTitle(" ");
  setFixedSize(288, 54);
  PaintFace(*this);
  fText->setObjectName("TextMessage");
  fText->setGeometry(0, -13, 289, 81);
  fText->setAlignment(Qt::AlignCenter);
  QFont font = ShellFont(10);
  fText->setFont(font);
  QPalette palette = fText->palette();
  palette.setColor(QPalette::WindowText, QColor(128, 0, 0));
  fText->setPalette(palette);
  fText->setText("Please Wait...");
}

void TMessageDialog::Show(const std::string& text) {
  fText->setText(QString::fromStdString(text));
  if (!isVisible()) {
    CentreOnScreen(*this);
    show();
  }
  // The command that follows holds the event loop: the window must be on the screen now.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

void TMessageDialog::Close() { hide(); }

}  // namespace quillop
