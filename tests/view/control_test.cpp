// The control layer: client area, invalidation and rendering, cursors, scroll bars and timers,
// seen through the headless host.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "imaging/view/buffered_control.h"
#include "imaging/view/headless_host.h"

using namespace kx;

namespace {

// Paints its client area in one colour and counts its paints and timer ticks.
class TProbe : public TBufferedControl {
 public:
  TColor Color = clWhite;
  int32_t Paints = 0;
  int32_t Resizes = 0;
  std::vector<std::pair<int32_t, int64_t>> Ticks;  // (id, time)
  TManualTimerService* Clock = nullptr;
  bool PaintThrows = false;

  void Paint() override {
    ++Paints;
    if (PaintThrows) throw std::runtime_error("paint failed");
    Canvas().Brush = TBrush{Color, bsSolid};
    Canvas().FillRect(Rect(0, 0, Buffer().Width(), Buffer().Height()));
  }
  void Poke(int32_t l, int32_t t, int32_t r, int32_t b) { InvalidateRect(l, t, r, b); }
  bool RenderingNow() const { return Rendering(); }

 protected:
  void Resize() override { ++Resizes; }
  void Timer(int32_t id) override { Ticks.push_back({id, Clock ? Clock->Now() : -1}); }
};

}  // namespace

TEST(Control, ClientAreaLeavesOutBorderAndVisibleBars) {
  struct Case {
    TBorderStyle border;
    bool hbar, vbar;
    int32_t width, height;
  };
  for (Case c :
       {Case{bsNone, false, false, 100, 80}, Case{bsSingle, false, false, 98, 78}, Case{bsSingle, true, false, 98, 62},
        Case{bsSingle, false, true, 82, 78}, Case{bsNone, true, true, 84, 64}}) {
    TProbe p;
    p.SetBounds(5, 6, 100, 80);
    p.SetBorderStyle(c.border);
    p.SetScrollBar(sbHorizontal, TScrollBarState{c.hbar, 0, 10, 5, 0});
    p.SetScrollBar(sbVertical, TScrollBarState{c.vbar, 0, 10, 5, 0});
    EXPECT_EQ(p.ClientWidth(), c.width);
    EXPECT_EQ(p.ClientHeight(), c.height);
  }
  TProbe tiny;
  tiny.SetBorderStyle(bsSingle);
  tiny.SetBounds(0, 0, 1, -4);
  EXPECT_EQ(tiny.Height(), 0);
  EXPECT_EQ(tiny.ClientWidth(), 0);
  EXPECT_EQ(tiny.ClientHeight(), 0);
}

TEST(Control, ResizeIsCalledOnlyWhenTheSizeChanges) {
  TProbe p;
  p.SetBounds(0, 0, 10, 10);
  p.SetBounds(3, 4, 10, 10);
  p.SetBounds(3, 4, 11, 10);
  EXPECT_EQ(p.Resizes, 2);
  EXPECT_EQ(p.Left(), 3);
  EXPECT_EQ(p.Top(), 4);
}

TEST(Control, RenderRepaintsOnlyWhatWasInvalidated) {
  TProbe p;
  THeadlessHost host(p, 12, 7);
  host.ClearRecords();
  p.Color = 0x0000FF;  // red
  TBitmap shot = host.Snapshot();
  ASSERT_EQ(shot.Width(), 12);
  ASSERT_EQ(shot.Height(), 7);
  EXPECT_EQ(shot.GetPixel(11, 6), CreateRGB(255, 0, 0));
  EXPECT_EQ(p.Paints, 1);
  host.Snapshot();
  EXPECT_EQ(p.Paints, 1) << "nothing was invalid";
  p.Invalidate();
  ASSERT_EQ(host.Invalidations.size(), 1u);
  EXPECT_EQ(host.Invalidations[0], Rect(0, 0, 12, 7));
  EXPECT_TRUE(p.NeedsPaint());
  host.Snapshot();
  EXPECT_EQ(p.Paints, 2);
  // Pixels changed outside a repaint are announced clipped to the client area, and the next
  // render shows them without painting.
  p.Poke(-5, 2, 4, 100);
  EXPECT_EQ(host.Invalidations.back(), Rect(0, 2, 4, 7));
  p.Poke(20, 0, 30, 5);
  EXPECT_EQ(host.Invalidations.size(), 2u);
  host.Snapshot();
  EXPECT_EQ(p.Paints, 2);
  // A new client size is painted at once, whether or not anybody invalidated.
  p.SetBounds(0, 0, 3, 2);
  EXPECT_EQ(host.Snapshot().Width(), 3);
  EXPECT_EQ(p.Paints, 3);
}

TEST(Control, ThrowingPaintEndsTheRenderAndIsPaintedAgainNextTime) {
  TProbe p;
  THeadlessHost host(p, 6, 4);
  p.Color = 0x00FF00;
  p.PaintThrows = true;
  EXPECT_THROW(host.Snapshot(), std::runtime_error);
  EXPECT_FALSE(p.RenderingNow());
  EXPECT_FALSE(p.NeedsPaint()) << "the failed paint asked nobody to repaint";
  host.ClearRecords();
  p.PaintThrows = false;
  const TBitmap shot = host.Snapshot();
  EXPECT_EQ(p.Paints, 2);
  EXPECT_EQ(shot.GetPixel(5, 3), CreateRGB(0, 255, 0));
  EXPECT_TRUE(host.Invalidations.empty());
  host.Snapshot();
  EXPECT_EQ(p.Paints, 2) << "painted in full: nothing left to do";
}

TEST(Control, CursorAndScrollBarChangesReachTheHost) {
  TProbe p;
  THeadlessHost host(p, 50, 50);
  p.SetCursor(crKXCross2);
  p.SetCursor(crKXCross2);
  EXPECT_EQ(host.CursorChanges, 1);
  p.ShowCursor(crKXMove);
  EXPECT_EQ(p.ShownCursor(), crKXMove);
  EXPECT_EQ(p.Cursor(), crKXCross2);
  EXPECT_EQ(host.CursorChanges, 2);

  p.SetScrollBar(sbVertical, TScrollBarState{true, 0, 99, 40, 10});
  EXPECT_EQ(host.ScrollBarChanges, 1);
  p.Scrolled(sbVertical, 500);
  EXPECT_EQ(p.ScrollBar(sbVertical).Position, 99);
  p.Scrolled(sbVertical, -3);
  EXPECT_EQ(p.ScrollBar(sbVertical).Position, 0);
  EXPECT_EQ(host.ScrollBarChanges, 3);
}

TEST(Control, TimersRunOnTheHostClockOnlyWhileAttached) {
  TProbe p;
  p.SetTimer(1, 150);  // before any host: remembered, not running
  THeadlessHost host;
  p.Clock = &host.Clock();
  host.Clock().Advance(1000);
  EXPECT_TRUE(p.Ticks.empty());
  host.Attach(p);
  p.SetTimer(2, 100);
  host.Clock().Advance(300);
  // Timers due at the same moment tick in the order they were started.
  using Tick = std::pair<int32_t, int64_t>;
  EXPECT_EQ(p.Ticks, (std::vector<Tick>{{2, 1100}, {1, 1150}, {2, 1200}, {1, 1300}, {2, 1300}}));
  p.KillTimer(2);
  host.Detach();
  EXPECT_EQ(host.Clock().ActiveCount(), 0);
  host.Clock().Advance(1000);
  EXPECT_EQ(p.Ticks.size(), 5u);
  EXPECT_TRUE(p.TimerActive(1));
  EXPECT_FALSE(p.TimerActive(2));
}

TEST(Control, ManualClockLetsATickStopItsOwnTimer) {
  TManualTimerService clock;
  int fired = 0;
  int64_t handle = 0;
  handle = clock.Start(10, [&] {
    if (++fired == 3) clock.Stop(handle);
  });
  clock.Start(0, [] {});  // intervals below 1 ms count as 1
  clock.Advance(25);
  EXPECT_EQ(fired, 2);
  clock.Advance(100);
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(clock.Now(), 125);
  EXPECT_EQ(clock.ActiveCount(), 1);
}

TEST(Control, HostForgetsADestroyedControl) {
  THeadlessHost host;
  auto p = std::make_unique<TProbe>();
  p->SetTimer(1, 10);
  host.Attach(*p);
  EXPECT_EQ(host.Clock().ActiveCount(), 1);
  p.reset();
  EXPECT_EQ(host.Control(), nullptr);
  EXPECT_EQ(host.Clock().ActiveCount(), 0);
  EXPECT_TRUE(host.Snapshot().Empty());
}
