// The scanner's own small options dialog, shown before a scan when the application asks for the
// source's interface: resolution, mode, source and scan area. Modal; OK scans, Cancel does not.
#pragma once

#include <QDialog>

#include "platform/sane/sane_ui.h"

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;

namespace kx {

class TScanOptionsDialog : public QDialog {
 public:
  TScanOptionsDialog(const TScanChoices& choices, const TScanValues& values, QWidget* parent = nullptr);
  // What the widgets show now.
  TScanValues Values() const;

  QComboBox* ResolutionBox() const { return fResolution; }
  QComboBox* ModeBox() const { return fMode; }
  // Disabled when the device has no choice of source.
  QComboBox* SourceBox() const { return fSource; }
  // Left, top, right, bottom, in millimetres.
  QDoubleSpinBox* AreaBox(int side) const { return fArea[side]; }
  QDialogButtonBox* Buttons() const { return fButtons; }

 private:
  QComboBox* fResolution;
  QComboBox* fMode;
  QComboBox* fSource;
  QDoubleSpinBox* fArea[4];
  QDialogButtonBox* fButtons;
};

// The dialog as the bridge's options interface.
class TQtScanOptionsUI final : public TScanOptionsUI {
 public:
  explicit TQtScanOptionsUI(QWidget* parent = nullptr) : fParent(parent) {}
  bool Run(const TScanChoices& choices, TScanValues& values) override;

 private:
  QWidget* fParent;
};

// The resolutions the dialog offers: the device's list, or for a range the usual steps within it;
// `current` always among them.
std::vector<double> KXOfferedResolutions(const TScanChoices& choices, double current);

}  // namespace kx
