#include "platform/qt/scan_options_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace kx {

namespace {

// The resolutions people pick on any scanner, for a device that accepts a whole range.
constexpr double kUsualResolutions[] = {75, 100, 150, 200, 300, 600, 1200, 2400};

QString ResolutionText(double dpi) { return QString::number(dpi, 'g', 6) + " dpi"; }

}  // namespace

std::vector<double> KXOfferedResolutions(const TScanChoices& choices, double current) {
  std::vector<double> offered;
  if (choices.ResolutionRange) {
    for (double dpi : kUsualResolutions)
      if (dpi >= choices.MinResolution && dpi <= choices.MaxResolution) offered.push_back(dpi);
  } else {
    offered = choices.Resolutions;
  }
  if (current > 0 && std::find(offered.begin(), offered.end(), current) == offered.end()) offered.push_back(current);
  std::sort(offered.begin(), offered.end());
  return offered;
}

TScanOptionsDialog::TScanOptionsDialog(const TScanChoices& choices, const TScanValues& values, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Scan"));
  setModal(true);
  auto* form = new QFormLayout;

  fResolution = new QComboBox(this);
  for (double dpi : KXOfferedResolutions(choices, values.Resolution)) fResolution->addItem(ResolutionText(dpi), dpi);
  fResolution->setCurrentIndex(std::max(0, fResolution->findData(values.Resolution)));
  form->addRow(tr("Resolution:"), fResolution);

  fMode = new QComboBox(this);
  for (const std::string& mode : choices.Modes) fMode->addItem(QString::fromStdString(mode));
  fMode->setCurrentIndex(std::max(0, fMode->findText(QString::fromStdString(values.Mode))));
  form->addRow(tr("Mode:"), fMode);

  fSource = new QComboBox(this);
  for (const std::string& source : choices.Sources) fSource->addItem(QString::fromStdString(source));
  fSource->setCurrentIndex(std::max(0, fSource->findText(QString::fromStdString(values.Source))));
  fSource->setEnabled(choices.Sources.size() > 1);
  form->addRow(tr("Source:"), fSource);

  const double sides[4] = {values.LeftMm, values.TopMm, values.RightMm, values.BottomMm};
  const double limits[4] = {choices.AreaWidthMm, choices.AreaHeightMm, choices.AreaWidthMm, choices.AreaHeightMm};
  const QString labels[4] = {tr("Left:"), tr("Top:"), tr("Right:"), tr("Bottom:")};
  for (int side = 0; side < 4; ++side) {
    fArea[side] = new QDoubleSpinBox(this);
    fArea[side]->setDecimals(1);
    fArea[side]->setSuffix(" mm");
    fArea[side]->setRange(0, limits[side]);
    fArea[side]->setValue(sides[side]);
    form->addRow(labels[side], fArea[side]);
  }

  fButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  fButtons->button(QDialogButtonBox::Ok)->setText(tr("Scan"));
  connect(fButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(fButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(fButtons);
}

TScanValues TScanOptionsDialog::Values() const {
  TScanValues values;
  values.Resolution = fResolution->currentData().toDouble();
  values.Mode = fMode->currentText().toStdString();
  values.Source = fSource->currentText().toStdString();
  values.LeftMm = fArea[0]->value();
  values.TopMm = fArea[1]->value();
  values.RightMm = fArea[2]->value();
  values.BottomMm = fArea[3]->value();
  return values;
}

bool TQtScanOptionsUI::Run(const TScanChoices& choices, TScanValues& values) {
  TScanOptionsDialog dialog(choices, values, fParent);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.Values();
  return true;
}

}  // namespace kx
