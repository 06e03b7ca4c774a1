// The acquisition host on Qt: handles name the controls that widgets show, a scan disables the
// control's window, a turn of the event loop runs what is pending and comes back within a tick
// when nothing is, and a quit request during a scan ends the scan and reaches the application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/control.h"
#include "platform/qt/control_host.h"
#include "platform/qt/qt_acquire_host.h"

using namespace kx;

namespace {

class TBlankControl : public TCustomControl {
 public:
  TPixelView Render() override { return {}; }
};

uintptr_t HandleOf(TCustomControl& control) { return reinterpret_cast<uintptr_t>(&control); }

}  // namespace

TEST(QtAcquireHost, HandlesAreTheControlsOfLiveWidgets) {
  TQtAcquireHost host;
  TBlankControl shown, hidden;
  auto* widget = new TQtControlHost(shown);
  EXPECT_TRUE(host.IsWindow(HandleOf(shown)));
  EXPECT_FALSE(host.IsWindow(HandleOf(hidden))) << "no widget shows it";
  EXPECT_FALSE(host.IsWindow(0));
  delete widget;
  EXPECT_FALSE(host.IsWindow(HandleOf(shown)));
}

TEST(QtAcquireHost, TheScanDisablesTheControlsWindow) {
  TQtAcquireHost host;
  QWidget window;
  TBlankControl control;
  auto* widget = new TQtControlHost(control, &window);
  host.EnableWindow(HandleOf(control), false);
  EXPECT_FALSE(window.isEnabled());
  EXPECT_FALSE(widget->isEnabled());
  host.EnableWindow(HandleOf(control), true);
  EXPECT_TRUE(window.isEnabled());
  host.EnableWindow(0, false);
  EXPECT_TRUE(window.isEnabled());
}

TEST(QtAcquireHost, ATurnRunsWhatIsPendingAndWaitsAtMostATick) {
  TQtAcquireHost host;
  bool ran = false;
  QTimer::singleShot(0, [&ran] { ran = true; });
  EXPECT_TRUE(host.NextEvent());
  EXPECT_TRUE(ran);
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(host.NextEvent());
  EXPECT_LT(clock.elapsed(), 1000) << "an idle turn comes back after its tick";
}

TEST(QtAcquireHost, AQuitDuringTheScanEndsItAndReachesTheApplication) {
  TQtAcquireHost host;
  bool endedByQuit = false;
  bool heldUntilPassedOn = false;
  // Inside the application's loop: a scan's turns, a quit request among them.
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    int turns = 0;
    while (host.NextEvent() && turns < 100) ++turns;
    endedByQuit = turns < 100;
    heldUntilPassedOn = !host.NextEvent();
    host.PostQuit();
  });
  // A watchdog, should the request be lost.
  QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QCoreApplication::exec(), 0) << "the application's loop saw the quit";
  EXPECT_TRUE(endedByQuit);
  EXPECT_TRUE(heldUntilPassedOn);
  EXPECT_TRUE(host.NextEvent()) << "once passed on, the request is the application's";
}
