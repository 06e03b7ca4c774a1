// TScannerSelection: the modal choice of the scanner, over the list of names found at start-up.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillop {

class TScannerSelection : public QDialog {
 public:
  explicit TScannerSelection(QWidget* parent = nullptr);

  // Shows `names` with `selected` chosen (-1: none) and runs modally. The confirmed index (-1
  // when nothing is selected), or nothing when the dialog was closed without OK.
  std::optional<int32_t> Choose(const std::vector<std::string>& names, int32_t selected);

  QComboBox* ScannerBox() const { return fBox; }
  QPushButton* AcceptButton() const { return fAccept; }

 private:
  void AcceptClick();

  QLabel* fUseLabel;
  QComboBox* fBox;
  QPushButton* fAccept;
  int32_t fChosen = -1;
};

}  // namespace quillop
