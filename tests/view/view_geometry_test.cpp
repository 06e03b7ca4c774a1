// The view's geometry: zoomed size, extent, maximum origin, scroll bars, centring, zoom
// operations, coordinate conversions and the paint lock.
#include <gtest/gtest.h>

#include "tests/view/view_fixture.h"

using namespace kx;
using kxtest::CoordinatePicture;
using kxtest::THostedView;

TEST(ViewGeometry, PictureThatFillsTheClientAreaNeedsNoScrolling) {
  THostedView v(540, 270, TBitmap(540, 270));
  v.View.SetScrollBars(ssBoth);
  EXPECT_EQ(v.View.MaxView(), (TPoint{0, 0}));
  EXPECT_FALSE(v.View.ScrollBar(sbHorizontal).Visible);
  EXPECT_FALSE(v.View.ScrollBar(sbVertical).Visible);
  EXPECT_EQ(v.View.ExtentWidth(), 540);
  EXPECT_EQ(v.View.ExtentHeight(), 270);
  // The outer size counts: one pixel more than the client area still needs no origin.
  THostedView w(539, 269, TBitmap(540, 270));
  EXPECT_EQ(w.View.MaxView(), (TPoint{0, 0}));
}

TEST(ViewGeometry, ZoomedSizeRoundsTiesToEven) {
  THostedView v(100, 100, TBitmap(1000, 3));
  struct Case {
    int32_t zoom;
    int64_t width, height;
  };
  for (Case c : {Case{33, 330, 1}, Case{50, 500, 2}, Case{2, 20, 0}, Case{150, 1500, 4}, Case{10000, 100000, 300}}) {
    v.View.SetZoom(c.zoom);
    EXPECT_EQ(v.View.ZoomedWidth(), c.width) << c.zoom;
    EXPECT_EQ(v.View.ZoomedHeight(), c.height) << c.zoom;
  }
  // A zoomed size below one pixel leaves nothing to scroll.
  v.View.SetZoom(2);
  EXPECT_EQ(v.View.MaxView(), (TPoint{0, 0}));
}

TEST(ViewGeometry, ScrollBarsFollowTheOriginLimits) {
  // 90 x 60 in 100 x 50: the vertical bar narrows the client so that the horizontal one is
  // needed too, which takes two more passes to settle.
  THostedView v(100, 50, TBitmap(90, 60));
  v.View.SetScrollBars(ssBoth);
  EXPECT_EQ(v.View.ClientWidth(), 84);
  EXPECT_EQ(v.View.ClientHeight(), 34);
  EXPECT_EQ(v.View.MaxView(), (TPoint{6, 26}));
  EXPECT_EQ(v.View.ScrollBar(sbHorizontal), (TScrollBarState{true, 0, 89, 84, 0}));
  EXPECT_EQ(v.View.ScrollBar(sbVertical), (TScrollBarState{true, 0, 59, 34, 0}));

  v.ViewChanges.clear();
  v.View.SetViewXY(1000, -7);
  EXPECT_EQ(v.View.ViewX(), 6);
  EXPECT_EQ(v.View.ViewY(), 0);
  EXPECT_EQ(v.ViewChanges, std::vector<int32_t>{0});
  EXPECT_EQ(v.View.ScrollBar(sbHorizontal).Position, 6);
  // The host's scroll command moves the origin.
  v.View.Scrolled(sbVertical, 20);
  EXPECT_EQ(v.View.ViewY(), 20);
  EXPECT_EQ(v.View.ScrollBar(sbVertical).Position, 20);

  // Only the allowed bars appear; a smaller zoom pulls the origin back and hides them.
  v.View.SetScrollBars(ssVertical);
  EXPECT_FALSE(v.View.ScrollBar(sbHorizontal).Visible);
  v.ViewChanges.clear();
  v.View.SetZoom(50);
  EXPECT_EQ(v.View.ViewY(), 0);
  EXPECT_FALSE(v.View.ScrollBar(sbVertical).Visible);
  EXPECT_EQ(v.ViewChanges, (std::vector<int32_t>{0, 1}));
}

TEST(ViewGeometry, CentringOffsetsHalveTheSpareRoom) {
  struct Case {
    int32_t cw, ch, pw, ph;
    bool center;
    int32_t ox, oy;
  };
  for (Case c : {Case{100, 50, 40, 20, true, 30, 15}, Case{101, 50, 40, 21, true, 30, 14},
                 Case{100, 50, 40, 80, true, 30, 0}, Case{100, 50, 40, 20, false, 0, 0}}) {
    THostedView v(c.cw, c.ch, TBitmap(c.pw, c.ph));
    v.View.SetCenter(c.center);
    EXPECT_EQ(v.View.OffsetX(), c.ox) << c.cw << "x" << c.ch;
    EXPECT_EQ(v.View.OffsetY(), c.oy) << c.cw << "x" << c.ch;
  }
}

TEST(ViewGeometry, CoordinateConversionsRoundTiesToEven) {
  THostedView v(20, 20, TBitmap(100, 100));
  v.View.SetZoom(200);
  v.View.SetViewXY(10, 4);
  EXPECT_EQ(v.View.XScr2Bmp(5), 8);  // 7.5
  EXPECT_EQ(v.View.XScr2Bmp(3), 6);  // 6.5
  EXPECT_EQ(v.View.YScr2Bmp(1), 2);  // 2.5
  EXPECT_EQ(v.View.XBmp2Scr(7), 4);
  EXPECT_EQ(v.View.YBmp2Scr(7), 10);
  v.View.SetZoom(100);
  v.View.SetViewXY(0, 0);
  v.View.Assign(std::make_unique<TBitmap>(10, 10).get());
  v.View.SetCenter(true);  // offsets (5, 5)
  EXPECT_EQ(v.View.XScr2Bmp(5), 0);
  EXPECT_EQ(v.View.XBmp2Scr(9), 14);
}

TEST(ViewGeometry, FitAndAutoFitNeverGoBelowOnePercent) {
  THostedView v(200, 100, TBitmap(1000, 500));  // outer 202 x 102
  v.View.Fit();
  EXPECT_EQ(v.View.Zoom(), 20);
  v.View.Assign(std::make_unique<TBitmap>(30000, 2).get());
  v.View.Fit();
  EXPECT_EQ(v.View.Zoom(), 1);
  v.View.SetZoom(300);
  v.View.SetAutoFit(true);
  EXPECT_EQ(v.View.Zoom(), 1);
  EXPECT_EQ(v.ViewChanges.back(), 1);
  v.View.Assign(std::make_unique<TBitmap>(10, 20).get());
  EXPECT_EQ(v.View.Zoom(), 510);  // min(202 / 0.1, 102 / 0.2)
}

TEST(ViewGeometry, ZoomIsRefusedBelowOneAndCappedAbove) {
  THostedView v(50, 50, TBitmap(10, 10));
  v.ViewChanges.clear();
  v.View.SetZoom(0);
  v.View.SetZoom(-5);
  v.View.SetZoom(100);
  EXPECT_TRUE(v.ViewChanges.empty());
  v.View.SetZoom(2000000000);
  EXPECT_EQ(v.View.Zoom(), kKXMaxZoom);
  EXPECT_EQ(KXNextZoom(kKXMaxZoom, true), kKXMaxZoom);
  EXPECT_EQ(v.ViewChanges, std::vector<int32_t>{1});
}

TEST(ViewGeometry, ZoomStepTable) {
  struct Case {
    int32_t zoom;
    bool in;
    int32_t next;
  };
  for (Case c : {Case{75, true, 100}, Case{100, true, 200}, Case{1, true, 2}, Case{33, true, 50}, Case{40, true, 50},
                 Case{200, false, 100}, Case{100, false, 75}, Case{2, false, 2}, Case{150, false, 100},
                 Case{1, false, 2}, Case{350, false, 250}, Case{26, false, 25}})
    EXPECT_EQ(KXNextZoom(c.zoom, c.in), c.next) << c.zoom << (c.in ? " in" : " out");
}

TEST(ViewGeometry, ZoomAtBringsThePointToTheCentre) {
  THostedView v(100, 100, CoordinatePicture(100, 100));
  v.ViewChanges.clear();
  v.View.ZoomAt(30, 70, 400);
  EXPECT_EQ(v.View.Zoom(), 400);
  EXPECT_EQ(v.View.ViewX(), 70);   // 30 x 4 - 50
  EXPECT_EQ(v.View.ViewY(), 230);  // 70 x 4 - 50
  EXPECT_EQ(v.View.XScr2Bmp(50), 30);
  EXPECT_EQ(v.View.YScr2Bmp(50), 70);
  EXPECT_EQ(v.ViewChanges, (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(v.View.PaintLockCount(), 0);
}

TEST(ViewGeometry, ZoomSelectionShowsTheSelectedRectangle) {
  THostedView v(100, 100, TBitmap(200, 200));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.Select(10, 10, 29, 19, kxspReplace);
  v.View.ZoomSelection();
  EXPECT_EQ(v.View.Zoom(), 510);  // min(102 / 0.2, 102 / 0.1)
  EXPECT_EQ(v.View.ViewX(), 52);  // 51 - (100 - 102) div 2
  EXPECT_EQ(v.View.ViewY(), 27);  // 51 - (100 - 51) div 2
  EXPECT_EQ(v.View.PolySelCount(), 0);
  v.View.ZoomSelection();  // no selection: nothing
  EXPECT_EQ(v.View.Zoom(), 510);
}

TEST(ViewGeometry, IdealComponentSize) {
  THostedView v(50, 50, TBitmap(100, 50));
  v.View.SetZoom(150);
  EXPECT_EQ(v.View.IdealComponentWidth(), 151);
  EXPECT_EQ(v.View.IdealComponentHeight(), 76);
  v.View.SetScrollBars(ssBoth);  // both bars show: the outer size minus the client size counts
  EXPECT_EQ(v.View.IdealComponentWidth(), 151 + 18);
  EXPECT_EQ(v.View.IdealComponentHeight(), 76 + 18);
}

TEST(ViewGeometry, NewPictureSizeDropsTheSelection) {
  THostedView v(50, 50, TBitmap(40, 40));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.Select(1, 1, 9, 9, kxspReplace);
  v.View.Assign(std::make_unique<TBitmap>(40, 40).get());
  EXPECT_EQ(v.View.PolySelCount(), 4);
  v.View.Assign(std::make_unique<TBitmap>(41, 40).get());
  EXPECT_EQ(v.View.PolySelCount(), 0);
  EXPECT_FALSE(v.View.VisibleSelection());
}

TEST(ViewGeometry, PaintLockDefersUpdatesUntilTheLastUnlock) {
  THostedView v(50, 50, TBitmap(40, 40));
  v.Shot();
  v.View.LockPaint();
  v.View.LockPaint();
  v.Host.ClearRecords();
  v.View.UnLockPaint();
  EXPECT_TRUE(v.Host.Invalidations.empty());
  v.View.UnLockPaint();
  EXPECT_EQ(v.Host.Invalidations.size(), 1u);
  v.View.NPUnLockPaint();
  v.View.UnLockPaint();
  EXPECT_EQ(v.View.PaintLockCount(), 0);
}

TEST(ViewGeometry, UpdateWaitsForAHost) {
  TKestrixView view;
  EXPECT_EQ(view.Width(), 105);
  EXPECT_EQ(view.Height(), 105);
  EXPECT_EQ(view.Cursor(), crKXCross2);
  view.Assign(std::make_unique<TBitmap>(10, 10).get());
  EXPECT_EQ(view.ExtentWidth(), 0);
  THeadlessHost host(view, 105, 105);
  view.Update();
  EXPECT_EQ(view.ExtentWidth(), 10);
}
