// The scanner selection dialog.
#include "app/qt/scanner_selection.h"

#include "app/qt/shell_look.h"

namespace quillop {

namespace {

void Ink(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::ButtonText, color);
  widget.setPalette(palette);
}

}  // namespace

TScannerSelection::TScannerSelection(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      fUseLabel(new QLabel("Select Scanner:", this)),
      fBox(new QComboBox(this)),
      fAccept(new QPushButton("OK", this)) {
  setObjectName("ScannerSelection");
  setWindowTitle("Scanner Setup");
  setFixedSize(221, 132);
  setFont(ShellFont());
  PaintFace(*this);
  fUseLabel->setObjectName("UseLable");
  fUseLabel->move(8, 8);
  Ink(*fUseLabel, ShellInkColor());
  fBox->setObjectName("ScannerBox_");
  fBox->setGeometry(8, 24, 201, fBox->sizeHint().height());
  fAccept->setObjectName("Accept_");
  fAccept->setGeometry(58, 68, 97, 25);
  fAccept->setDefault(true);
  PaintFace(*fAccept, QColor(199, 192, 175));
  Ink(*fAccept, ShellInkColor());
  setTabOrder(fBox, fAccept);
  connect(fAccept, &QPushButton::clicked, this, &TScannerSelection::AcceptClick);
}

std::optional<int32_t> TScannerSelection::Choose(const std::vector<std::string>& names, int32_t selected) {
  fBox->clear();
  for (const std::string& name : names) fBox->addItem(QString::fromStdString(name));
  fBox->setCurrentIndex(selected >= 0 && selected < fBox->count() ? selected : -1);
  CentreOnScreen(*this);
  fBox->setFocus();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return fChosen;
}

void TScannerSelection::AcceptClick() {
  fChosen = fBox->currentIndex();
  accept();
}

}  // namespace quillop
