// The view base: bitmap-change listeners and the resolution defaults.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "imaging/view/view.h"
#include "platform/screen.h"

using namespace kx;

namespace {

struct TListener {
  std::string Name;
  std::string* Log;
  std::function<void()> OnCall = {};  // what the listener does after logging its name
  void Changed(TKXView*) {
    *Log += Name;
    if (OnCall) OnCall();
  }
  TKXViewNotify Handler() { return TKXViewNotify::Bind<&TListener::Changed>(this); }
};

// A component that listens for as long as it lives, as the I/O and processing components do.
struct TFollower {
  TKXView& View;
  TListener Listener;
  TFollower(TKXView& view, std::string* log) : View(view), Listener{"f", log} {
    View.RegisterBitmapChangeEvent(Listener.Handler());
  }
  ~TFollower() {
    View.RemoveBitmapChangeEvent(Listener.Handler());
    Listener.Name = "freed";  // a call after this would show in the log
  }
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

TEST(ViewBase, ListenerRemovedDuringTheCallsIsNotCalled) {
  TKestrixView view;
  std::string log;
  TListener a{"a", &log}, b{"b", &log}, c{"c", &log};
  a.OnCall = [&] { view.RemoveBitmapChangeEvent(b.Handler()); };
  for (TListener* l : {&a, &b, &c}) view.RegisterBitmapChangeEvent(l->Handler());
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "ac");
  log.clear();
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "ac");
}

TEST(ViewBase, ListenerRemovingItselfIsCalledOnceAndTheRestStill) {
  TKestrixView view;
  std::string log;
  TListener a{"a", &log}, b{"b", &log};
  a.OnCall = [&] { view.RemoveBitmapChangeEvent(a.Handler()); };
  view.RegisterBitmapChangeEvent(a.Handler());
  view.RegisterBitmapChangeEvent(b.Handler());
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "ab");
  log.clear();
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "b");
}

TEST(ViewBase, ListenerDestroyingAListeningComponentSkipsIt) {
  TKestrixView view;
  std::string log;
  TListener a{"a", &log}, c{"c", &log};
  view.RegisterBitmapChangeEvent(a.Handler());
  auto follower = std::make_unique<TFollower>(view, &log);
  view.RegisterBitmapChangeEvent(c.Handler());
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "afc");
  a.OnCall = [&] { follower.reset(); };
  log.clear();
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "ac");
  EXPECT_EQ(follower, nullptr);
}

TEST(ViewBase, ListenerAddedDuringTheCallsWaitsForTheNextCall) {
  TKestrixView view;
  std::string log;
  TListener a{"a", &log}, b{"b", &log};
  bool added = false;
  a.OnCall = [&] {
    if (!added) view.RegisterBitmapChangeEvent(b.Handler());
    added = true;
  };
  view.RegisterBitmapChangeEvent(a.Handler());
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "a");
  log.clear();
  view.CallBitmapChangeEvents();
  EXPECT_EQ(log, "ab");
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
