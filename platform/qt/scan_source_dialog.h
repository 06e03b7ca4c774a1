// The source manager's own selection dialog: the names of the scanners, OK and Cancel.
#pragma once

#include <QDialog>

#include "platform/sane/sane_ui.h"

class QDialogButtonBox;
class QListWidget;

namespace kx {

class TScanSourceDialog : public QDialog {
 public:
  TScanSourceDialog(const std::vector<std::string>& names, size_t current, QWidget* parent = nullptr);
  // The selected row; nothing when none is.
  std::optional<size_t> Selected() const;

  QListWidget* List() const { return fList; }
  QDialogButtonBox* Buttons() const { return fButtons; }

 private:
  QListWidget* fList;
  QDialogButtonBox* fButtons;
};

// The dialog as the bridge's source-selection interface.
class TQtSourceChooserUI final : public TSourceChooserUI {
 public:
  explicit TQtSourceChooserUI(QWidget* parent = nullptr) : fParent(parent) {}
  std::optional<size_t> Choose(const std::vector<std::string>& names, size_t current) override;

 private:
  QWidget* fParent;
};

}  // namespace kx
