#include "platform/qt/scan_source_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kx {

TScanSourceDialog::TScanSourceDialog(const std::vector<std::string>& names, size_t current, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Select Source"));
  setModal(true);
  fList = new QListWidget(this);
  for (const std::string& name : names) fList->addItem(QString::fromStdString(name));
  if (current < names.size()) fList->setCurrentRow(static_cast<int>(current));

  fButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  // Nothing to confirm without a name to choose.
  fButtons->button(QDialogButtonBox::Ok)->setEnabled(fList->currentRow() >= 0);
  connect(fList, &QListWidget::currentRowChanged, this,
          [this](int row) { fButtons->button(QDialogButtonBox::Ok)->setEnabled(row >= 0); });
  connect(fList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(fButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(fButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Sources:"), this));
  layout->addWidget(fList);
  layout->addWidget(fButtons);
}

std::optional<size_t> TScanSourceDialog::Selected() const {
  const int row = fList->currentRow();
  if (row < 0) return std::nullopt;
  return static_cast<size_t>(row);
}

std::optional<size_t> TQtSourceChooserUI::Choose(const std::vector<std::string>& names, size_t current) {
  TScanSourceDialog dialog(names, current, fParent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Selected();
}

}  // namespace kx
