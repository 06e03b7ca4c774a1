// The I/O parameters dialog and the palette window on the offscreen platform: the dialog opens
// on the page of the format, a slider move shows one new result, the lock-preview button up
// stops live previews and "preview now" runs one, OK and Cancel decide what reaches the
// parameters, and a component's DoPreviews goes through the dialog it was given.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "imaging/components/kestrix_io.h"
#include "imaging/dialogs/io_params_dialog.h"
#include "imaging/dialogs/palette_dialog.h"
#include "imaging/dialogs/save_dialog.h"
#include "imaging/io/format_registry.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::MakePicture;
using kxtest::SameBitmap;

namespace {

int PageIndex(TPreviewParamsItems page) {
  return int(std::find(std::begin(kIOPages), std::end(kIOPages), page) - std::begin(kIOPages));
}

// Waits until the form has shown `count` results; false after 20 s.
bool WaitForShown(TfIOPreviews& form, int count) {
  return QTest::qWaitFor([&] { return form.PreviewsShown() >= count && !form.PreviewPending(); }, 20000);
}

TEST(IOParamsDialog, OpensOnThePageOfTheFormat) {
  for (TPreviewParamsItems page : kIOPages) {
    if (!KXFileFormatAbilities(KXIOPageFileType(page)).Writes) continue;
    TIOParamsVals params;
    params.FileType = KXIOPageFileType(page);
    TfIOPreviews form(params, MakePicture(30, 20));
    ASSERT_TRUE(form.SetPreviewParams({ppAUTO}));
    form.show();
    EXPECT_EQ(form.Pages()->currentIndex(), PageIndex(page)) << KXIOPageCaption(page);
    for (TPreviewParamsItems other : kIOPages)
      EXPECT_EQ(form.Pages()->isTabVisible(PageIndex(other)), other == page) << KXIOPageCaption(other);
    EXPECT_EQ(form.Pages()->tabPosition(), QTabWidget::South);
    ASSERT_TRUE(WaitForShown(form, 1));
    const auto* size = form.Pages()->currentWidget()->findChild<QLabel*>("CompressedSize");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->text().toStdString(), form.Editor().CompressedSizeText());
    EXPECT_NE(size->text(), "---");
  }
}

TEST(IOParamsDialog, ASliderMoveUpdatesTheResultOnce) {
  TIOParamsVals params;
  params.FileType = ioJPEG;
  const TBitmap picture = MakePicture(48, 32);
  TfIOPreviews form(params, picture);
  form.SetLockPreview(true);
  ASSERT_TRUE(form.SetPreviewParams({ppAUTO}));
  form.show();
  ASSERT_TRUE(WaitForShown(form, 1));
  EXPECT_FALSE(form.PreviewButton()->isEnabled());
  form.QualityBar()->setValue(90);
  EXPECT_EQ(static_cast<QSpinBox*>(form.ControlWidget(icJpegQuality))->value(), 90);
  ASSERT_TRUE(WaitForShown(form, 2));
  QTest::qWait(50);
  EXPECT_EQ(form.PreviewsShown(), 2);
  const TKXIOPreviewResult expected = KXRunIOPreview(form.Editor().PreviewJob());
  EXPECT_TRUE(SameBitmap(form.ResultView().Bitmap(), expected.Picture));
  EXPECT_EQ(form.Editor().CompressedSizeText(), std::to_string(expected.Size) + " bytes");
}

TEST(IOParamsDialog, LockUpStopsLivePreviewsAndPreviewNowRunsOne) {
  TIOParamsVals params;
  params.FileType = ioPNG;
  TfIOPreviews form(params, MakePicture(40, 30));
  form.SetLockPreview(false);
  ASSERT_TRUE(form.SetPreviewParams({ppAUTO}));
  form.show();
  // Opening a page previews it whatever the lock.
  ASSERT_TRUE(WaitForShown(form, 1));
  EXPECT_TRUE(form.PreviewButton()->isEnabled());
  static_cast<QCheckBox*>(form.ControlWidget(icPngInterlaced))->setChecked(true);
  QTest::qWait(100);
  EXPECT_EQ(form.PreviewsShown(), 1);
  EXPECT_FALSE(form.PreviewPending());
  QTest::mouseClick(form.PreviewButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitForShown(form, 2));
  form.LockButton()->click();
  EXPECT_FALSE(form.PreviewButton()->isEnabled());
  ASSERT_TRUE(WaitForShown(form, 3));
  QTest::qWait(50);
  EXPECT_EQ(form.PreviewsShown(), 3);
}

TEST(IOParamsDialog, CancelKeepsAndOkWritesTheParameters) {
  for (const char* button : {"Button2", "Button1"}) {
    TIOParamsVals params;
    params.FileType = ioJPEG;
    params.JPEG_Quality = 40;
    TfIOPreviews form(params, MakePicture(20, 20));
    form.SetLockPreview(true);
    ASSERT_TRUE(form.SetPreviewParams({ppAUTO}));
    form.show();
    ASSERT_TRUE(WaitForShown(form, 1));
    form.QualityBar()->setValue(85);
    ASSERT_TRUE(WaitForShown(form, 2));
    form.findChild<QPushButton*>(button)->click();
    const bool ok = std::string(button) == "Button1";
    EXPECT_EQ(form.result(), ok ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(params.JPEG_Quality, ok ? 85 : 40);
  }
}

// Ends the dialog DoPreviews shows with OK once its first result is there.
struct TAcceptWhenShown {
  int Calls = 0;
  TPreviewParamsItems Page = ppAUTO;
  void Handler(void*, void* dialog) {
    ++Calls;
    auto* form = static_cast<TfIOPreviews*>(dialog);
    QTimer::singleShot(0, form, [this, form] {
      if (WaitForShown(*form, 1)) {
        Page = form->Editor().ActivePage();
        static_cast<QSpinBox*>(form->ControlWidget(icJpegQuality))->setValue(70);
        form->findChild<QPushButton*>("Button1")->click();
      } else {
        form->reject();
      }
    });
  }
};

TEST(IOParamsDialog, DoPreviewsShowsTheComponentsDialog) {
  TBitmap picture = MakePicture(24, 24);
  TKestrixIO io;
  io.SetAttachedBitmap(&picture);
  EXPECT_FALSE(io.DoPreviews({ppJPEG})) << "no dialog given";
  TKXQtIOPreviewsDialog dialog;
  io.SetPreviewsDialog(&dialog);
  TAcceptWhenShown accept;
  io.OnIOPreview = TKXIOPreviewEvent::Bind<&TAcceptWhenShown::Handler>(&accept);
  io.IOParams().FileType = ioICO;
  EXPECT_FALSE(io.DoPreviews({ppAUTO}));
  EXPECT_EQ(accept.Calls, 0) << "nothing to show: no dialog came up";
  EXPECT_TRUE(io.DoPreviews({ppJPEG}));
  EXPECT_EQ(accept.Calls, 1);
  EXPECT_EQ(io.IOParams().JPEG_Quality, 70);
}

TEST(IOParamsDialog, TheCompositeForwardsToItsIOComponentsDialog) {
  TKestrix composite;
  const TBitmap picture = MakePicture(20, 16);
  composite.Assign(&picture);
  TKXQtIOPreviewsDialog dialog;
  composite.SetIOPreviewsDialog(&dialog);
  TAcceptWhenShown accept;
  composite.SetOnIOPreview(TKXIOPreviewEvent::Bind<&TAcceptWhenShown::Handler>(&accept));
  EXPECT_TRUE(composite.DoIOPreviews({ppALL}));
  EXPECT_EQ(accept.Page, ppJPEG) << "the first page shown";
  EXPECT_EQ(composite.IOParams().JPEG_Quality, 70);
  EXPECT_FALSE(composite.Busy());
}

TEST(IOParamsDialog, TheSaveDialogsAdvancedButtonOpensThePageOfTheNameAndCancelUndoesIt) {
  TBitmap picture = MakePicture(24, 24);
  TKestrixIO io;
  io.SetAttachedBitmap(&picture);
  TKXQtIOPreviewsDialog previews;
  io.SetPreviewsDialog(&previews);
  TAcceptWhenShown accept;
  io.OnIOPreview = TKXIOPreviewEvent::Bind<&TAcceptWhenShown::Handler>(&accept);
  io.IOParams().JPEG_Quality = 40;
  TSaveKestrixDialog save;
  save.SetAttachedKestrixIO(&io);
  save.SetInitialDir(kxtest::TempDir());
  int during = 0;
  QTimer::singleShot(0, [&] {
    ASSERT_NE(save.AdvancedButton(), nullptr);
    save.Dialog()->findChild<QLineEdit*>("fileNameEdit")->setText("holiday.png");
    save.AdvancedButton()->click();
    during = io.IOParams().JPEG_Quality;
    save.Dialog()->reject();
  });
  QTimer::singleShot(20000, [&] {
    if (save.Dialog()) save.Dialog()->reject();
  });
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(accept.Calls, 1);
  EXPECT_EQ(accept.Page, ppPNG);
  // The dialog's OK wrote the quality edited on the JPEG page; the cancelled save took it back.
  EXPECT_EQ(during, 70);
  EXPECT_EQ(io.IOParams().JPEG_Quality, 40);
}

TEST(PaletteDialog, AClickReturnsAColourOfThePaletteOnly) {
  const std::vector<TRGB> colours = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {9, 8, 7}};
  TKestrixPaletteDialog palette;
  // More than the palette holds: only its four cells exist.
  palette.SetPalette(colours, 256);
  palette.SetCancelCaption("&Abbrechen");
  palette.show();
  EXPECT_EQ(palette.CancelButton()->text(), "&Abbrechen");
  EXPECT_EQ(palette.CancelButton()->pos(), QPoint(8, 144));
  QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(16 * 10 + 5, 5));
  EXPECT_TRUE(palette.isVisible());
  QTest::mouseMove(&palette, QPoint(16 * 3 + 5, 5));
  EXPECT_EQ(palette.Hovered(), 3);
  QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(16 * 3 + 5, 5));
  EXPECT_EQ(palette.result(), QDialog::Accepted);
  EXPECT_EQ(palette.Color(), TRGB2TColor(colours[3]));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
