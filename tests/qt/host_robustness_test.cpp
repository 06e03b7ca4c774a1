// The Qt host against a control that throws and a touchpad's small wheel steps: no exception
// reaches Qt's event loop, each failing kind of event is reported once, the widget goes on, and
// wheel steps below a notch add up to whole notches.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/view/buffered_control.h"
#include "imaging/view/view.h"
#include "platform/qt/control_host.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

// Paints itself green and counts what reaches it; each handler throws while its switch is on.
class TThrower : public TBufferedControl {
 public:
  bool PaintThrows = false, PressThrows = false, TimerThrows = false, ScrollThrows = false, PressGone = false;
  int Paints = 0, Presses = 0, Ticks = 0;
  std::vector<int32_t> Wheel;  // the deltas the control was given

  void Paint() override {
    ++Paints;
    if (PaintThrows) throw std::runtime_error("no paint");
    Canvas().Brush = TBrush{0x00FF00, bsSolid};
    Canvas().FillRect(Rect(0, 0, Buffer().Width(), Buffer().Height()));
  }
  void MouseDown(TMouseButton, TShiftState, int32_t, int32_t) override {
    ++Presses;
    if (PressThrows) throw std::runtime_error("no press");
    if (PressGone) throw EControlDestroyed();
  }
  bool MouseWheel(TShiftState, int32_t delta, int32_t, int32_t) override {
    Wheel.push_back(delta);
    return true;
  }
  void Scrolled(TScrollBarKind, int32_t) override {
    if (ScrollThrows) throw 42;  // not even a std::exception
  }

 protected:
  void Timer(int32_t) override {
    ++Ticks;
    if (TimerThrows) throw std::runtime_error("no tick");
  }
};

struct TShownThrower {
  TThrower Control;
  TQtControlHost Host{Control};
  TShownThrower() {
    Host.resize(20, 10);
    Host.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Host));
  }
};

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

void Turn(QWidget& widget, QPoint angleDelta) {
  QWheelEvent event(QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)), QPoint(), angleDelta, Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&widget, &event);
}

}  // namespace

TEST(QtHostRobustness, ThrowingInputHandlersAreReportedOnceAndTheNextEventWorks) {
  TShownThrower w;
  w.Control.PressThrows = true;
  w.Control.ScrollThrows = true;
  testing::internal::CaptureStderr();
  QTest::mousePress(&w.Host, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&w.Host, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mousePress(&w.Host, Qt::LeftButton, {}, QPoint(6, 5));
  QTest::mouseRelease(&w.Host, Qt::LeftButton, {}, QPoint(6, 5));
  w.Control.SetScrollBar(sbHorizontal, TScrollBarState{true, 0, 100, 10, 0});
  w.Host.HorizontalBar()->setValue(30);
  w.Control.PressThrows = false;
  QTest::mousePress(&w.Host, Qt::LeftButton, {}, QPoint(7, 5));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(w.Control.Presses, 3);
  EXPECT_EQ(CountOf(errors, "\n"), 2) << errors;
  EXPECT_EQ(CountOf(errors, "the mouse press event failed and was ignored: no press"), 1) << errors;
  EXPECT_EQ(CountOf(errors, "the scroll bar event failed and was ignored: an exception of unknown type"), 1) << errors;
}

TEST(QtHostRobustness, AControlDestroyedByItsOwnHandlerIsNoFailure) {
  TShownThrower w;
  w.Control.PressGone = true;
  testing::internal::CaptureStderr();
  QTest::mousePress(&w.Host, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(w.Control.Presses, 1);
}

TEST(QtHostRobustness, ThrowingPaintShowsTheWindowColourAndThePaintAfterItWorks) {
  TShownThrower w;
  w.Control.PaintThrows = true;
  w.Control.Invalidate();
  testing::internal::CaptureStderr();
  const QImage failed = w.Host.grab().toImage().convertToFormat(QImage::Format_RGB32);
  w.Host.grab();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors, "kestrix: the paint event failed and was ignored: no paint\n");
  EXPECT_EQ(failed.pixel(5, 5), w.Host.palette().color(QPalette::Window).rgb());
  // The failed paint is done again at the next one, though nobody invalidated since.
  w.Control.PaintThrows = false;
  const int paints = w.Control.Paints;
  const QImage shot = w.Host.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(w.Control.Paints, paints + 1);
  EXPECT_EQ(shot.pixel(5, 5), qRgb(0, 255, 0));
}

TEST(QtHostRobustness, ThrowingTimerKeepsTicking) {
  TShownThrower w;
  w.Control.TimerThrows = true;
  testing::internal::CaptureStderr();
  w.Control.SetTimer(1, 5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Control.Ticks >= 3; }, 2000));
  w.Control.KillTimer(1);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors, "kestrix: the timer event failed and was ignored: no tick\n");
}

TEST(QtHostRobustness, WheelStepsAddUpToWholeNotches) {
  const struct {
    const char* name;
    std::vector<QPoint> steps;  // angle deltas, x and y
    std::vector<int32_t> given;
  } cases[] = {
      {"a mouse wheel's notch passes at once", {{0, 120}, {0, -240}}, {120, -240}},
      {"three thirds make one notch", {{0, 40}, {0, 40}, {0, 40}}, {120}},
      {"the rest waits for the next steps", {{0, 200}, {0, 40}}, {120, 120}},
      {"half a notch back and forth is nothing", {{0, -60}, {0, 60}}, {}},
      {"turning back starts again from nothing", {{0, -60}, {0, 60}, {0, 60}}, {120}},
      {"quarters downwards", {{0, -30}, {0, -30}, {0, -30}, {0, -30}}, {-120}},
      {"each axis keeps its own rest", {{60, 0}, {0, 60}, {60, 0}}, {120}},
      {"one event turns a hundred notches at most",
       {{0, std::numeric_limits<int>::max()}, {0, -1000000}},
       {12000, -12000}},
  };
  for (const auto& c : cases) {
    TShownThrower w;
    for (QPoint step : c.steps) Turn(w.Host, step);
    EXPECT_EQ(w.Control.Wheel, c.given) << c.name;
  }
}

TEST(QtHostRobustness, SmallWheelStepsMoveTheBarOnceTheyMakeANotch) {
  const TBitmap picture = kxtest::CoordinatePicture(300, 300);
  TKestrixView view;
  TQtControlHost host(view);
  host.resize(102, 102);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  view.Assign(&picture);
  view.SetScrollBars(ssBoth);
  view.SetViewXY(0, 100);
  QScrollBar* bar = host.VerticalBar();
  ASSERT_TRUE(bar->isVisible());
  Turn(host, QPoint(0, -40));
  Turn(host, QPoint(0, -40));
  EXPECT_EQ(bar->value(), 100);
  Turn(host, QPoint(0, -40));
  EXPECT_EQ(bar->value(), 100 + 3 * bar->singleStep());
  EXPECT_EQ(view.ViewY(), bar->value());
}
