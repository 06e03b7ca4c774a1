#include "imaging/dialogs/common_dialog.h"

namespace kx {

void TKXFileDialogWidget::accept() {
  if (CanClose && !CanClose()) return;
  QFileDialog::accept();
}

bool TKXCommonDialog::RunModal(TKXFileDialogWidget& dialog) {
  fDialog = &dialog;
  struct TForget {
    TKXFileDialogWidget*& Dialog;
    ~TForget() { Dialog = nullptr; }
  } forget{fDialog};
  DoShow();
  const bool confirmed = dialog.exec() == QDialog::Accepted;
  DoClose();
  return confirmed;
}

}  // namespace kx
