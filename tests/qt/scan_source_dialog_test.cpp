// The source-selection dialog on the offscreen platform: the names listed, the current one
// selected, OK gives the row chosen and Cancel none.
#include "platform/qt/scan_source_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kx;

namespace {
const std::vector<std::string> kNames{"test:0", "test:1", "epson2:libusb:001:004"};
}

TEST(ScanSourceDialog, ListsTheNamesWithTheCurrentOneSelected) {
  TScanSourceDialog dialog(kNames, 1);
  ASSERT_EQ(dialog.List()->count(), 3);
  EXPECT_EQ(dialog.List()->item(2)->text(), "epson2:libusb:001:004");
  EXPECT_EQ(dialog.Selected(), 1u);

  TScanSourceDialog none({}, 0);
  EXPECT_EQ(none.Selected(), std::nullopt);
  EXPECT_FALSE(none.Buttons()->button(QDialogButtonBox::Ok)->isEnabled()) << "nothing to confirm";
}

TEST(ScanSourceDialog, ShownModallyGivesTheChosenRowOrNothing) {
  struct TCase {
    bool confirm;
    std::optional<size_t> expected;
  };
  for (const TCase& c : {TCase{true, 2}, TCase{false, std::nullopt}}) {
    SCOPED_TRACE(c.confirm);
    QTimer::singleShot(0, [&c] {
      auto* dialog = dynamic_cast<TScanSourceDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->List()->setFocus();
      QTest::keyClick(dialog->List(), Qt::Key_Down);
      QTest::mouseClick(dialog->Buttons()->button(c.confirm ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                        Qt::LeftButton);
    });
    TQtSourceChooserUI chooser;
    EXPECT_EQ(chooser.Choose(kNames, 1), c.expected);
  }
}
