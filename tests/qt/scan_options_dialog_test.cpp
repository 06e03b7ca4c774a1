// The scanner's options dialog on the offscreen platform: it starts from the device's values,
// hands back what the user chose when the user scans, and nothing when the user cancels, also
// when shown modally through the bridge's interface.
#include "platform/qt/scan_options_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kx;

namespace {

TScanChoices RangeChoices() {
  TScanChoices choices;
  choices.ResolutionRange = true;
  choices.MinResolution = 50;
  choices.MaxResolution = 600;
  choices.ResolutionStep = 1;
  choices.Modes = {kScanModeLineart, kScanModeGray, kScanModeColor};
  choices.Sources = {"Flatbed", "Automatic Document Feeder"};
  choices.AreaWidthMm = 216;
  choices.AreaHeightMm = 297;
  return choices;
}

const TScanValues kStart{75, kScanModeColor, "Flatbed", 0, 0, 80, 100};

// Chooses the entry of `box` with this text, as a user would with the keyboard.
void Choose(QComboBox* box, const QString& text) {
  const int index = box->findText(text);
  ASSERT_GE(index, 0) << text.toStdString();
  box->setFocus();
  while (box->currentIndex() < index) QTest::keyClick(box, Qt::Key_Down);
  while (box->currentIndex() > index) QTest::keyClick(box, Qt::Key_Up);
}

void Type(QDoubleSpinBox* box, const QString& text) {
  box->selectAll();
  QTest::keyClicks(box, text);
  QTest::keyClick(box, Qt::Key_Tab);
}

}  // namespace

TEST(ScanOptionsDialog, OffersTheUsualResolutionsOfARangeAndTheListOtherwise) {
  EXPECT_EQ(KXOfferedResolutions(RangeChoices(), 75), (std::vector<double>{75, 100, 150, 200, 300, 600}));
  EXPECT_EQ(KXOfferedResolutions(RangeChoices(), 123), (std::vector<double>{75, 100, 123, 150, 200, 300, 600}));
  TScanChoices list;
  list.Resolutions = {300, 1200, 600};
  EXPECT_EQ(KXOfferedResolutions(list, 600), (std::vector<double>{300, 600, 1200}));
}

TEST(ScanOptionsDialog, StartsFromTheValuesAndReturnsTheUsersChoice) {
  TScanOptionsDialog dialog(RangeChoices(), kStart);
  dialog.show();
  EXPECT_EQ(dialog.Values(), kStart);
  EXPECT_TRUE(dialog.SourceBox()->isEnabled());

  Choose(dialog.ResolutionBox(), "150 dpi");
  Choose(dialog.ModeBox(), kScanModeGray);
  Choose(dialog.SourceBox(), "Automatic Document Feeder");
  Type(dialog.AreaBox(0), "10");
  Type(dialog.AreaBox(3), "250.5");
  QTest::mouseClick(dialog.Buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Values(), (TScanValues{150, kScanModeGray, "Automatic Document Feeder", 10, 0, 80, 250.5}));
}

TEST(ScanOptionsDialog, KeepsTheAreaOnTheBedAndTheSourceFixedWithoutAChoice) {
  TScanChoices choices = RangeChoices();
  choices.Sources = {"Flatbed"};
  TScanOptionsDialog dialog(choices, kStart);
  dialog.show();
  EXPECT_FALSE(dialog.SourceBox()->isEnabled());
  // The sides across the bed end at its width, those along it at its length.
  EXPECT_EQ(dialog.AreaBox(0)->maximum(), 216);
  EXPECT_EQ(dialog.AreaBox(2)->maximum(), 216);
  EXPECT_EQ(dialog.AreaBox(3)->maximum(), 297);
  Type(dialog.AreaBox(2), "999");
  EXPECT_LE(dialog.Values().RightMm, 216);
}

TEST(ScanOptionsDialog, ShownModallyScansOrCancels) {
  for (bool scan : {true, false}) {
    SCOPED_TRACE(scan ? "scan" : "cancel");
    // The dialog's own event loop runs the answer.
    QTimer::singleShot(0, [scan] {
      auto* dialog = dynamic_cast<TScanOptionsDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      Choose(dialog->ModeBox(), kScanModeLineart);
      QTest::mouseClick(dialog->Buttons()->button(scan ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                        Qt::LeftButton);
    });
    TQtScanOptionsUI ui;
    TScanValues values = kStart;
    EXPECT_EQ(ui.Run(RangeChoices(), values), scan);
    TScanValues expected = kStart;
    if (scan) expected.Mode = kScanModeLineart;
    EXPECT_EQ(values, expected);
  }
}
