// The widgets in the Qt host on the offscreen platform: the host shows their drawing as it is,
// and the ruler's scrolling past an end runs on Qt's timers while the button stays down, ending
// at the release that only Qt's event loop can deliver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "imaging/widgets/histogram_box.h"
#include "imaging/widgets/hsv_box.h"
#include "imaging/widgets/ruler_box.h"
#include "platform/qt/control_host.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

// Shows a host of the given size; the widgets have no border, so it is all client area.
void Show(TQtControlHost& host, int width, int height) {
  host.resize(width, height);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
}

// The host's client area matches the control's own rendering pixel for pixel.
void ExpectShownAsRendered(TQtControlHost& host, TCustomControl& control) {
  const QImage shot = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const TPixelView view = control.Render();
  ASSERT_EQ(shot.size(), QSize(view.Width, view.Height));
  for (int32_t y = 0; y < view.Height; ++y) {
    const auto* row = reinterpret_cast<const TRGB*>(view.Top + y * view.Stride);
    for (int32_t x = 0; x < view.Width; ++x)
      ASSERT_EQ(shot.pixel(x, y), qRgb(row[x].r, row[x].g, row[x].b)) << x << ", " << y;
  }
}

struct TCounter {
  int Count = 0;
  void Changed(void*) { ++Count; }
};

}  // namespace

TEST(WidgetsInQt, TheHostShowsEachControlsDrawing) {
  TBitmap picture = kxtest::MakePicture(64, 48);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  THistogramBox histogram;
  TQtControlHost histogramHost(histogram);
  Show(histogramHost, 300, 120);
  histogram.SetHistogramKind({hkRed, hkGreen, hkBlue});
  histogram.SetAttachedKestrixProc(&proc);
  EXPECT_EQ(histogram.Width(), 300);
  ExpectShownAsRendered(histogramHost, histogram);

  THSVBox hsv;
  TQtControlHost hsvHost(hsv);
  Show(hsvHost, 105, 105);
  TCounter changes;
  hsv.OnChange = TEvent<void*>::Bind<&TCounter::Changed>(&changes);
  QTest::mouseClick(&hsvHost, Qt::LeftButton, {}, QPoint(79, 0));
  EXPECT_EQ(hsv.Sat(), 99);
  EXPECT_EQ(hsv.Val(), 99);
  EXPECT_EQ(changes.Count, 1);
  ExpectShownAsRendered(hsvHost, hsv);
}

TEST(WidgetsInQt, RulerScrollsPastItsEndUntilTheButtonIsReleased) {
  TRulerBox ruler;
  TQtControlHost host(ruler);
  Show(host, 300, 40);
  ruler.SetGripsPos(0, 20);
  QTest::mousePress(&host, Qt::LeftButton, {}, QPoint(20, 35));
  QTest::mouseMove(&host, QPoint(-10, 35));
  QTest::qWait(10 * TRulerBox::kScrollIntervalMs);
  const double scrolled = ruler.ViewPos();
  EXPECT_LT(scrolled, -2);  // at once and then on the timer, with no further event
  QTest::mouseRelease(&host, Qt::LeftButton, {}, QPoint(-10, 35));
  const double released = ruler.ViewPos();
  QTest::qWait(5 * TRulerBox::kScrollIntervalMs);
  EXPECT_EQ(ruler.ViewPos(), released);
  EXPECT_EQ(ruler.GetGripsPos(0), released);  // one pixel before the edge at the last step's view
  ExpectShownAsRendered(host, ruler);
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
