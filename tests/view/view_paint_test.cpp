// The view's painting: the nine background styles, the visible part of the picture at a zoom
// and origin, centring, double buffering, 1-bit pictures and DrawTo.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/test_support.h"
#include "tests/view/view_fixture.h"

using namespace kx;
using kxtest::CoordinatePicture;
using kxtest::THostedView;

namespace {

constexpr TColor kGround = 0x204080;  // red 0x80, green 0x40, blue 0x20
const TRGB kColor = CreateRGB(0x80, 0x40, 0x20);
const TRGB kOther = CreateRGB(0x7F, 0xBF, 0xDF);

// Every pixel of `shot` outside `picture` satisfies `want`.
void ExpectBackground(const TBitmap& shot, const TRect& picture, const std::function<TRGB(int32_t, int32_t)>& want,
                      const char* name) {
  for (int32_t y = 0; y < shot.Height(); ++y)
    for (int32_t x = 0; x < shot.Width(); ++x) {
      if (x >= picture.Left && x < picture.Right && y >= picture.Top && y < picture.Bottom) continue;
      ASSERT_EQ(shot.GetPixel(x, y), want(x, y)) << name << " at " << x << "," << y;
    }
}

}  // namespace

TEST(ViewPaint, EachBackgroundStyle) {
  auto hatch = [](bool hit) { return hit ? kColor : kOther; };
  struct Case {
    TKXBackgroundStyle style;
    const char* name;
    std::function<TRGB(int32_t, int32_t)> want;
  };
  const Case cases[] = {
      {kxbsSolid, "solid", [](int32_t, int32_t) { return kColor; }},
      {kxbsHorizontal, "horizontal", [&](int32_t, int32_t y) { return hatch(y % 8 == 0); }},
      {kxbsVertical, "vertical", [&](int32_t x, int32_t) { return hatch(x % 8 == 0); }},
      {kxbsFDiagonal, "fdiagonal", [&](int32_t x, int32_t y) { return hatch((x - y) % 8 == 0); }},
      {kxbsBDiagonal, "bdiagonal", [&](int32_t x, int32_t y) { return hatch((x + y) % 8 == 0); }},
      {kxbsCross, "cross", [&](int32_t x, int32_t y) { return hatch(x % 8 == 0 || y % 8 == 0); }},
      {kxbsDiagCross, "diagcross", [&](int32_t x, int32_t y) { return hatch((x - y) % 8 == 0 || (x + y) % 8 == 0); }},
      {kxbsChessboard, "chessboard", [](int32_t x, int32_t y) { return (x / 16 + y / 16) % 2 ? kColor : kOther; }},
      // 40 x 40: the diagonals are x = y and x + y = 40.
      {kxbsDiagonals, "diagonals", [](int32_t x, int32_t y) { return x == y || x + y == 40 ? kOther : kColor; }},
  };
  for (const Case& c : cases) {
    THostedView v(40, 40, CoordinatePicture(5, 3));
    v.View.SetBackGround(kGround);
    v.View.SetBackgroundStyle(c.style);
    const TBitmap shot = v.Shot();
    ExpectBackground(shot, Rect(0, 0, 5, 3), c.want, c.name);
    EXPECT_EQ(shot.GetPixel(4, 2), CreateRGB(4, 2, 7)) << c.name;
  }
}

TEST(ViewPaint, ChessboardSquaresStaySixteenPixelsAtEveryZoom) {
  for (int32_t zoom : {2, 10, 100, 400}) {
    THostedView v(70, 50, CoordinatePicture(2, 2));
    v.View.SetBackGround(kGround);
    v.View.SetBackgroundStyle(kxbsChessboard);
    v.View.SetZoom(zoom);
    const TBitmap shot = v.Shot();
    const int32_t side = zoom * 2 / 100;
    ExpectBackground(
        shot, Rect(0, 0, side, side), [](int32_t x, int32_t y) { return (x / 16 + y / 16) % 2 ? kColor : kOther; },
        "chessboard");
  }
}

TEST(ViewPaint, ShowsTheVisiblePartAtZoomAndOrigin) {
  THostedView v(16, 8, CoordinatePicture(20, 10));
  v.View.SetZoom(200);
  v.View.SetViewXY(6, 2);
  const TBitmap shot = v.Shot();
  // Source rectangle: x from Round(6 x 20 / 40) = 3, 8 wide; y from 1, 4 high.
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x)
      ASSERT_EQ(shot.GetPixel(x, y), CreateRGB(uint8_t(3 + x / 2), uint8_t(1 + y / 2), 7));
}

TEST(ViewPaint, ReducedPictureCutsTheRoundedSourceToThePicture) {
  // Zoom 33 of 10 x 10 gives 3 x 3; the source width Round(10 / 3 x 3) = 10 fits exactly,
  // while 7 x 7 at zoom 50 gives Round(3.5) = 4 columns and Round(7 / 4 x 4) = 7.
  THostedView v(20, 20, CoordinatePicture(10, 10));
  v.View.SetZoom(33);
  const TBitmap shot = v.Shot();
  EXPECT_EQ(shot.GetPixel(0, 0), CreateRGB(1, 1, 7));
  EXPECT_EQ(shot.GetPixel(2, 2), CreateRGB(8, 8, 7));
  EXPECT_EQ(shot.GetPixel(3, 0), TColor2TRGB(ColorToRGB(clBtnFace)));
}

TEST(ViewPaint, CentredPictureSitsOnTheBackground) {
  THostedView v(20, 10, CoordinatePicture(4, 3));
  v.View.SetBackGround(kGround);
  v.View.SetCenter(true);
  const TBitmap shot = v.Shot();
  ExpectBackground(
      shot, Rect(8, 3, 12, 6), [](int32_t, int32_t) { return kColor; }, "centred");
  EXPECT_EQ(shot.GetPixel(8, 3), CreateRGB(0, 0, 7));
  EXPECT_EQ(shot.GetPixel(11, 5), CreateRGB(3, 2, 7));
}

TEST(ViewPaint, EmptyPictureShowsOnlyBackground) {
  THostedView v(12, 9, TBitmap());
  v.View.SetBackGround(kGround);
  v.View.SetCenter(true);
  ExpectBackground(
      v.Shot(), TRect{}, [](int32_t, int32_t) { return kColor; }, "empty");
}

TEST(ViewPaint, DoubleBufferRepaintsThePictureOnlyAfterAnUpdate) {
  THostedView direct(30, 20, CoordinatePicture(50, 50));
  THostedView buffered(30, 20, CoordinatePicture(50, 50));
  buffered.View.SetDoubleBuffer(true);
  for (THostedView* v : {&direct, &buffered}) {
    v->View.SetZoom(150);
    v->View.SetViewXY(7, 5);
  }
  EXPECT_EQ(kxtest::Compare(direct.Shot(), buffered.Shot()).pixels, 0);
  // A plain invalidation copies the buffer: the changed pixel shows only after Update.
  buffered.View.Bitmap().SetPixel(5, 3, CreateRGB(1, 2, 3));
  buffered.View.Invalidate();
  EXPECT_EQ(buffered.Shot().GetPixel(0, 0), CreateRGB(5, 3, 7));
  buffered.View.Update();
  EXPECT_EQ(buffered.Shot().GetPixel(0, 0), CreateRGB(1, 2, 3));
}

TEST(ViewPaint, OneBitPictureIsBlackAndWhite) {
  TBitmap bw(8, 1, pf1bit);
  bw.ScanLine(0)[0] = 0b01000000;
  bw.SetPalette({CreateRGB(0, 0, 200), CreateRGB(0, 200, 0)});
  THostedView v(8, 1, bw);
  const TBitmap shot = v.Shot();
  EXPECT_EQ(shot.GetPixel(0, 0), CreateRGB(0, 0, 0));
  EXPECT_EQ(shot.GetPixel(1, 0), CreateRGB(255, 255, 255));
}

TEST(ViewPaint, DrawToPutsTheVisiblePartAtTheOrigin) {
  THostedView v(10, 10, CoordinatePicture(40, 40));
  v.View.SetZoom(50);
  v.View.SetViewXY(4, 6);
  TBitmap target(12, 12, pf24bit);
  v.View.DrawTo(target);
  // Source from (8, 12), 20 x 20 onto 10 x 10: every second pixel, under the centres.
  EXPECT_EQ(target.GetPixel(0, 0), CreateRGB(9, 13, 7));
  EXPECT_EQ(target.GetPixel(9, 9), CreateRGB(27, 31, 7));
  EXPECT_EQ(target.GetPixel(10, 10), TRGB{});
}

TEST(ViewPaint, LockedViewDoesNotPaint) {
  THostedView v(10, 10, CoordinatePicture(10, 10));
  v.Shot();
  v.View.LockPaint();
  v.View.Bitmap().SetPixel(0, 0, CreateRGB(9, 9, 9));
  v.View.Paint();
  EXPECT_EQ(v.View.Buffer().GetPixel(0, 0), CreateRGB(0, 0, 7));
  v.View.UnLockPaint();
  EXPECT_EQ(v.Shot().GetPixel(0, 0), CreateRGB(9, 9, 9));
}

TEST(ViewPaint, DelayedFilterRepaintsTwoTicksAfterAZoom) {
  THostedView v(20, 20, CoordinatePicture(40, 40));
  v.View.SetZoomFilter(rfTriangle);
  v.View.SetDelayZoomFilter(true);
  v.View.SetZoom(200);
  v.Shot();
  v.Host.Clock().Advance(kKXAnimationInterval);
  EXPECT_FALSE(v.View.NeedsPaint());
  v.Host.Clock().Advance(kKXAnimationInterval);
  EXPECT_TRUE(v.View.NeedsPaint());
  v.Shot();
  v.Host.Clock().Advance(kKXAnimationInterval * 4);
  EXPECT_FALSE(v.View.NeedsPaint());
}
