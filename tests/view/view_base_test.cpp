// The view base: bitmap-change listeners and the resolution defaults.
#include <gtest/gtest.h>

#include <string>

#include "imaging/view/view.h"
#include "platform/screen.h"

using namespace kx;

namespace {

struct TListener {
  std::string Name;
  std::string* Log;
  void Changed(TKXView*) { *Log += Name; }
  TKXViewNotify Handler() { return TKXViewNotify::Bind<&TListener::Changed>(this); }
};

}  // namespace

TEST(ViewBase, RemovingOneReceiverKeepsTheOtherRegistered) {
  TKestrixView view;
  std::string log;
  TListener a{"a", &log}, b{"b", &log};
  view.RegisterBitmapChangeEvent(a.Handler());
  view.RegisterBitmapChangeEvent(b.Handler());
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "ab");
  // Same code, two receivers: removing b's entry must leave a's, which was registered first.
  view.RemoveBitmapChangeEvent(b.Handler());
  log.clear();
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "a");
  view.RemoveBitmapChangeEvent(b.Handler());  // not registered any more: nothing
  view.RemoveBitmapChangeEvent(a.Handler());
  log.clear();
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "");
}

TEST(ViewBase, ResolutionStartsAtTheScreensAndSetsBothAxes) {
  TKestrixView view;
  EXPECT_EQ(view.DpiX(), gSystemDPIX);
  EXPECT_EQ(view.DpiY(), gSystemDPIY);
  view.SetDPI(300, 150);
  EXPECT_EQ(view.DpiX(), 300);
  EXPECT_EQ(view.DpiY(), 150);
  EXPECT_EQ(view.Background(), clBtnFace);
  EXPECT_EQ(view.BorderStyle(), bsSingle);
}
