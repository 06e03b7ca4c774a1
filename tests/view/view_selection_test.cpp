// The view's selection: Select and its corner rules, breaks, the magic-wand outline, the
// rectangle test, the marching ants on the manual clock, and copying the selected region.
#include <gtest/gtest.h>

#include "imaging/proc/magic_wand.h"
#include "tests/support/test_support.h"
#include "tests/view/view_fixture.h"

using namespace kx;
using kxtest::CoordinatePicture;
using kxtest::THostedView;

namespace {

std::vector<TPoint> Points(const TKestrixView& v) {
  return std::vector<TPoint>(v.PolySelArray(), v.PolySelArray() + v.PolySelCount());
}

const TPoint kBreak{kKXSelBreak, kKXSelBreak};

}  // namespace

TEST(ViewSelection, SelectIgnoresDegenerateAndOrdersReversedCorners) {
  THostedView v(100, 100, TBitmap(100, 100));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.Select(10, 10, 10, 50, kxspReplace);
  v.View.Select(10, 10, 50, 10, kxspReplace);
  EXPECT_EQ(v.View.PolySelCount(), 0);
  v.View.Select(50, 40, 10, 10, kxspReplace);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{10, 10}, {50, 10}, {50, 40}, {10, 40}}));
  EXPECT_EQ(v.View.SelX1(), 10);
  EXPECT_EQ(v.View.SelY1(), 10);
  EXPECT_EQ(v.View.SelX2(), 50);
  EXPECT_EQ(v.View.SelY2(), 40);
  EXPECT_TRUE(v.View.VisibleSelection());
  // Corners outside the picture are clamped to its last column and row.
  v.View.Select(-5, 90, 120, 200, kxspReplace);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{0, 90}, {99, 90}, {99, 99}, {0, 99}}));
}

TEST(ViewSelection, ClientCornersAreConvertedAtTheZoom) {
  THostedView v(50, 50, TBitmap(100, 100));
  v.View.SetZoom(200);
  v.View.SetViewXY(20, 10);
  v.View.Select(0, 0, 9, 31, kxspReplace);  // picture (10, 5) .. Round(14.5) = 14, Round(20.5) = 20
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{10, 5}, {14, 5}, {14, 20}, {10, 20}}));
}

TEST(ViewSelection, AddingPutsABreakAndWidensTheBox) {
  THostedView v(100, 100, TBitmap(100, 100));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.AddSelBreak();
  EXPECT_EQ(v.View.PolySelCount(), 0) << "no break in an empty polygon";
  v.View.Select(10, 10, 20, 20, kxspAdd);
  v.View.Select(30, 5, 40, 15, kxspAdd);
  EXPECT_EQ(v.View.PolySelCount(), 9);
  EXPECT_EQ(v.View.PolySel(4), kBreak);
  EXPECT_EQ(v.View.SelX1(), 10);
  EXPECT_EQ(v.View.SelY1(), 5);
  EXPECT_EQ(v.View.SelX2(), 40);
  EXPECT_EQ(v.View.SelY2(), 20);
  v.View.AddSelBreak();
  v.View.AddSelBreak();
  EXPECT_EQ(v.View.PolySelCount(), 10);
  v.View.AddSelPoint(200, 200);  // picture based: taken as given
  EXPECT_EQ(v.View.SelX2(), 200);
  v.View.DeSelect();
  EXPECT_EQ(v.View.PolySelCount(), 0);
  EXPECT_FALSE(v.View.VisibleSelection());
}

TEST(ViewSelection, RectangleTest) {
  struct Case {
    std::vector<TPoint> points;
    bool rectangle;
  };
  const Case cases[] = {
      {{{0, 0}, {5, 0}, {5, 3}, {0, 3}}, true},  {{{0, 0}, {0, 3}, {5, 3}, {5, 0}}, true},
      {{{0, 0}, {5, 0}, {5, 3}}, false},         {{{0, 0}, {5, 0}, {5, 3}, {1, 3}}, false},
      {{{0, 0}, {5, 0}, {5, 0}, {0, 0}}, false}, {{{0, 0}, {5, 0}, {5, 3}, {0, 3}, {0, 0}}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(_IsRectangle(c.points.data(), int32_t(c.points.size())), c.rectangle) << c.points.size();
}

namespace {

// A black picture with a white block at columns 20..29, rows 12..19, touching the right and
// bottom edges.
TBitmap BlockPicture() {
  TBitmap b(30, 20);
  for (int32_t y = 12; y < 20; ++y)
    for (int32_t x = 20; x < 30; ++x) reinterpret_cast<TRGB*>(b.ScanLine(y))[x] = TRGB{255, 255, 255};
  return b;
}

}  // namespace

TEST(ViewSelection, MagicWandSelectsTheRegionOutlineUpToThePictureCorners) {
  THostedView v(40, 40, BlockPicture());
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.SetMagicWandTolerance(4);
  v.View.SelectMagicWand(30, 5, kxspReplace);  // outside: ignored
  EXPECT_EQ(v.View.PolySelCount(), 0);
  v.View.SelectMagicWand(25, 15, kxspReplace);
  EXPECT_EQ(Points(v.View), _MakeMagicWandPoints(v.View.Bitmap(), 25, 15, false, 4));
  // Pixel corners: the right and bottom edges lie at 30 and 20, not 29 and 19.
  EXPECT_EQ(v.View.SelX1(), 20);
  EXPECT_EQ(v.View.SelY1(), 12);
  EXPECT_EQ(v.View.SelX2(), 30);
  EXPECT_EQ(v.View.SelY2(), 20);
  const int32_t first = v.View.PolySelCount();
  v.View.SelectMagicWand(2, 2, kxspAdd);
  EXPECT_GT(v.View.PolySelCount(), first + 1);
  EXPECT_EQ(v.View.PolySel(first), kBreak);
  EXPECT_EQ(v.View.SelX1(), 0);
}

TEST(ViewSelection, MagicWandOnAOneBitPictureSelectsNothing) {
  TBitmap b(30, 20);
  b.SetPixelFormat(pf1bit);
  THostedView v(40, 40, std::move(b));
  v.View.SelectMagicWand(2, 5, kxspReplace);
  EXPECT_EQ(v.View.PolySelCount(), 0);
}

namespace {

// Colour index (0: SelColor1, 1: SelColor2) of step t along the outline at phase p.
int AntColor(int32_t p, int32_t t) { return ((p + t) / 3) % 2; }

}  // namespace

TEST(ViewSelection, AntsMarchOneStepPerTick) {
  THostedView v(60, 40, TBitmap(60, 40));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.SetSelectionOptions({kxsoAnimated});
  v.View.SetSelColor1(0x0000FF);
  v.View.SetSelColor2(0x00FF00);
  v.View.Select(5, 4, 45, 30, kxspReplace);
  v.Shot();
  for (int32_t ticks : {1, 5, 7}) {
    v.Host.Clock().Advance(kKXAnimationInterval * ticks);
    const int32_t phase = v.View.SelectionPhase();
    const TBitmap& window = v.View.Buffer();
    // Top edge: steps 0..39 from (5, 4); right edge continues at step 40 from (45, 4).
    for (int32_t t = 0; t < 40; ++t)
      ASSERT_EQ(window.GetPixel(5 + t, 4), AntColor(phase, t) ? CreateRGB(0, 255, 0) : CreateRGB(255, 0, 0)) << t;
    for (int32_t t = 0; t < 26; ++t)
      ASSERT_EQ(window.GetPixel(45, 4 + t), AntColor(phase, 40 + t) ? CreateRGB(0, 255, 0) : CreateRGB(255, 0, 0));
  }
  EXPECT_EQ(v.View.SelectionPhase(), (1 + 5 + 7) % 6);
}

TEST(ViewSelection, TickRedrawsOnlyTheOutline) {
  THostedView v(100, 80, CoordinatePicture(100, 80));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.Select(20, 10, 70, 50, kxspReplace);
  const TBitmap before = v.Shot();
  v.Host.ClearRecords();
  v.Host.Clock().Advance(kKXAnimationInterval);
  EXPECT_FALSE(v.View.NeedsPaint());
  // The outline with its 7 x 7 grips.
  ASSERT_EQ(v.Host.Invalidations, std::vector<TRect>{Rect(17, 7, 74, 54)});
  const TBitmap after = v.Shot();
  EXPECT_EQ(after.GetPixel(40, 30), before.GetPixel(40, 30));
  EXPECT_EQ(after.GetPixel(40, 30), CreateRGB(40, 30, 7));
  EXPECT_GT(kxtest::Compare(after, before).pixels, 0);
  // Grip: outline colour 1, inside colour 2.
  EXPECT_EQ(after.GetPixel(17, 7), CreateRGB(0, 0, 0));
  EXPECT_EQ(after.GetPixel(19, 9), CreateRGB(255, 255, 255));

  v.View.DeSelect();
  v.Shot();
  v.Host.ClearRecords();
  v.Host.Clock().Advance(kKXAnimationInterval * 3);
  EXPECT_TRUE(v.Host.Invalidations.empty());
}

TEST(ViewSelection, StillAntsKeepTheirPhase) {
  THostedView v(50, 50, TBitmap(50, 50));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.SetSelectionOptions({kxsoSizeable});
  v.View.Select(5, 5, 30, 30, kxspReplace);
  v.Host.Clock().Advance(kKXAnimationInterval * 4);
  EXPECT_EQ(v.View.SelectionPhase(), 0);
}

TEST(ViewSelection, AssignSelToUnitesOverlappingSubPolygons) {
  THostedView v(40, 40, CoordinatePicture(40, 40));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.SetBackGround(0x00FF00);
  v.View.Select(10, 10, 20, 20, kxspReplace);
  v.View.Select(15, 15, 25, 25, kxspAdd);
  TBitmap out;
  v.View.AssignSelTo(out);
  ASSERT_EQ(out.Width(), 16);
  ASSERT_EQ(out.Height(), 16);
  // As a polygon, each rectangle holds the pixels whose centres lie inside it; the overlap
  // belongs to the selection once, not cancelled out.
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const int32_t px = 10 + x, py = 10 + y;
      const bool inside = (px < 20 && py < 20) || (px >= 15 && py >= 15 && px < 25 && py < 25);
      ASSERT_EQ(out.GetPixel(x, y), inside ? CreateRGB(uint8_t(px), uint8_t(py), 7) : CreateRGB(0, 255, 0))
          << x << "," << y;
    }
}

TEST(ViewSelection, AssignSelToCopiesTheRegionInsideThePolygon) {
  THostedView v(40, 40, CoordinatePicture(40, 40));
  v.View.SetSelectionBase(kxsbBitmap);
  v.View.SetBackGround(0x00FF00);
  v.View.SetDPI(200, 100);
  v.View.Select(4, 6, 13, 10, kxspReplace);
  TBitmap rect;
  v.View.AssignSelTo(rect);
  ASSERT_EQ(rect.Width(), 10);
  ASSERT_EQ(rect.Height(), 5);
  EXPECT_EQ(rect.GetPixel(0, 0), CreateRGB(4, 6, 7));
  EXPECT_EQ(rect.GetPixel(9, 4), CreateRGB(13, 10, 7));

  // A triangle (0, 0) (20, 0) (0, 20): pixels whose centres lie below the hypotenuse are out.
  v.View.DeSelect();
  v.View.AddSelPoint(0, 0);
  v.View.AddSelPoint(20, 0);
  v.View.AddSelPoint(0, 20);
  TKestrixView target;
  THeadlessHost host(target, 30, 30);
  v.View.AssignSelTo(target);
  const TBitmap& tri = target.Bitmap();
  ASSERT_EQ(tri.Width(), 21);
  ASSERT_EQ(tri.Height(), 21);
  for (int32_t y = 0; y < 21; ++y)
    for (int32_t x = 0; x < 21; ++x) {
      const bool inside = x + 0.5 + y + 0.5 < 20;
      ASSERT_EQ(tri.GetPixel(x, y), inside ? CreateRGB(uint8_t(x), uint8_t(y), 7) : CreateRGB(0, 255, 0))
          << x << "," << y;
    }
  EXPECT_EQ(target.Background(), 0x00FF00);
  EXPECT_EQ(target.DpiX(), 200);
  EXPECT_EQ(target.DpiY(), 100);
}
