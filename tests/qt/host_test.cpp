// The Qt host on the offscreen platform: it shows the control's back buffer, keeps its scroll
// bars in step with the view, brings QTest mouse input to the view, and runs timers on QTimer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "imaging/view/view.h"
#include "platform/qt/control_host.h"
#include "platform/qt/cursors.h"
#include "platform/qt/desktop.h"
#include "platform/screen.h"
#include "platform/system_colors.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::CoordinatePicture;

namespace {

// A view of `picture` in a shown host widget of the given outer size.
struct THostedWidget {
  TKestrixView View;
  TQtControlHost Host{View};
  THostedWidget(int w, int h, const TBitmap& picture) {
    Host.resize(w, h);
    Host.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Host));
    View.Assign(&picture);
  }
};

}  // namespace

TEST(QtHost, WidgetShowsTheBackBufferInsideTheFrame) {
  THostedWidget w(42, 32, CoordinatePicture(30, 20));
  w.View.SetBackGround(0x0000FF);
  w.View.SetZoom(200);
  w.View.SetViewXY(4, 6);
  const QImage shot = w.Host.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), QSize(42, 32));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(shot.pixel(x + 1, y + 1), qRgb(2 + x / 2, 3 + y / 2, 7)) << x << "," << y;
  EXPECT_EQ(shot.pixel(0, 0), w.Host.palette().color(QPalette::Dark).rgb());
}

TEST(QtHost, ScrollBarsFollowTheView) {
  THostedWidget w(102, 102, CoordinatePicture(300, 200));
  w.View.SetScrollBars(ssBoth);
  const int e = w.Host.ScrollBarExtent();
  QScrollBar* h = w.Host.HorizontalBar();
  QScrollBar* v = w.Host.VerticalBar();
  ASSERT_TRUE(h->isVisible());
  ASSERT_TRUE(v->isVisible());
  EXPECT_EQ(w.View.ClientWidth(), 100 - e);
  EXPECT_EQ(h->maximum(), w.View.MaxView().X);
  EXPECT_EQ(h->pageStep(), 100 - e);
  EXPECT_EQ(v->maximum(), w.View.MaxView().Y);
  EXPECT_EQ(h->geometry(), QRect(1, 101 - e, 100 - e, e));
  w.View.SetViewXY(50, 30);
  EXPECT_EQ(h->value(), 50);
  EXPECT_EQ(v->value(), 30);
  h->setValue(120);  // the user's bar moves the view
  EXPECT_EQ(w.View.ViewX(), 120);
  w.View.SetZoom(10);  // the picture fits: the bars go
  EXPECT_FALSE(h->isVisible());
  EXPECT_FALSE(v->isVisible());
}

TEST(QtHost, MouseDragReachesTheView) {
  THostedWidget w(102, 102, CoordinatePicture(100, 100));
  w.View.SetMouseInteract({miSelect});
  QTest::mousePress(&w.Host, Qt::LeftButton, {}, QPoint(11, 21));
  QTest::mouseMove(&w.Host, QPoint(40, 50));
  QTest::mouseMove(&w.Host, QPoint(61, 71));
  QTest::mouseRelease(&w.Host, Qt::LeftButton, {}, QPoint(61, 71));
  ASSERT_EQ(w.View.PolySelCount(), 4);
  EXPECT_EQ(w.View.SelX1(), 10);
  EXPECT_EQ(w.View.SelY1(), 20);
  EXPECT_EQ(w.View.SelX2(), 60);
  EXPECT_EQ(w.View.SelY2(), 70);
  // Hovering the inside shows the view's move cursor.
  QTest::mouseMove(&w.Host, QPoint(36, 46));
  EXPECT_EQ(w.View.ShownCursor(), crKXMove);
  EXPECT_EQ(w.Host.cursor().shape(), Qt::BitmapCursor);
}

TEST(QtHost, AntsRunOnQtTimers) {
  THostedWidget w(52, 52, CoordinatePicture(50, 50));
  w.View.SetSelectionBase(kxsbBitmap);
  w.View.Select(5, 5, 40, 40, kxspReplace);
  QTest::qWait(3 * kKXAnimationInterval + 100);
  EXPECT_GE(w.View.SelectionPhase(), 2);
}

TEST(QtHost, EveryViewCursorIsDrawn) {
  for (TCursor id = crKXFirst; id <= crKXLast; ++id) {
    const QCursor c = KXQtCursor(id);
    EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
    const QImage image = c.pixmap().toImage();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) ink += qAlpha(image.pixel(x, y)) > 128;
    EXPECT_GT(ink, 20) << id;
  }
  EXPECT_EQ(KXQtCursor(crHourGlass).shape(), Qt::WaitCursor);
  EXPECT_EQ(KXQtCursor(crDefault).shape(), Qt::ArrowCursor);
}

TEST(QtHost, DesktopGivesResolutionAndColours) {
  QPalette palette;
  palette.setColor(QPalette::Button, QColor(1, 2, 3));
  KXQtApplyDesktop(QGuiApplication::primaryScreen(), palette);
  EXPECT_EQ(KXGetSysColor(15), 0x030201);
  EXPECT_EQ(gSystemDPIX, int32_t(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchX())));
  KXQtApplyDesktop(nullptr, QApplication::palette());
}

int main(int argc, char** argv) {
  // Tests need no display; a run from CTest sets the same.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
