// The colour box: clamping setters that stay silent, picking with the mouse, boxes too small to
// pick from, and its drawing pixel by pixel.
#include "imaging/widgets/hsv_box.h"

#include <gtest/gtest.h>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/color.h"
#include "imaging/view/headless_host.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

struct TChanges {
  int32_t Count = 0;
  void Changed(void*) { ++Count; }
};

struct THostedBox {
  THSVBox Box;
  THeadlessHost Host;
  TChanges Changes;
  THostedBox(int32_t width, int32_t height) : Host(Box, width, height) {
    Box.OnChange = TEvent<void*>::Bind<&TChanges::Changed>(&Changes);
  }
};

}  // namespace

TEST(HSVBox, SettersClampAndNeverRaiseOnChange) {
  THostedBox hosted(105, 105);
  THSVBox& box = hosted.Box;
  struct TCase {
    void (THSVBox::*Set)(int32_t);
    int32_t (THSVBox::*Get)() const;
    int32_t Given, Stored;
  };
  const TCase cases[] = {{&THSVBox::SetHue, &THSVBox::Hue, 400, 359}, {&THSVBox::SetHue, &THSVBox::Hue, -1, 0},
                         {&THSVBox::SetHue, &THSVBox::Hue, 200, 200}, {&THSVBox::SetSat, &THSVBox::Sat, -5, 0},
                         {&THSVBox::SetSat, &THSVBox::Sat, 100, 99},  {&THSVBox::SetVal, &THSVBox::Val, 1000, 99},
                         {&THSVBox::SetVal, &THSVBox::Val, 0, 0}};
  for (const TCase& c : cases) {
    (box.*c.Set)(c.Given);
    EXPECT_EQ((box.*c.Get)(), c.Stored) << c.Given;
  }
  box.SetRGB(255, 0, 0);
  EXPECT_EQ(box.Hue(), 0);
  EXPECT_EQ(box.Sat(), 99);
  EXPECT_EQ(box.Val(), 99);
  EXPECT_EQ(box.Color(), 0x0000FF);
  // A system colour is resolved for the values and kept as given.
  box.SetColor(clBtnFace);
  EXPECT_EQ(box.Color(), clBtnFace);
  const TRGB face = TColor2TRGB(ColorToRGB(clBtnFace));
  EXPECT_EQ(box.Red(), face.r);
  EXPECT_EQ(box.Blue(), face.b);
  EXPECT_EQ(hosted.Changes.Count, 0);
}

TEST(HSVBox, PressesAndDragsPickAndRaiseOnChange) {
  THostedBox hosted(105, 105);  // square 80 wide, bar from 85
  THSVBox& box = hosted.Box;
  box.MouseDown(mbLeft, {ssLeft}, 79, 0);
  EXPECT_EQ(box.Sat(), 99);
  EXPECT_EQ(box.Val(), 99);
  box.MouseMove({ssLeft}, 40, 52);  // Round(40 / 79 x 99) = 50, 99 - Round(52 / 104 x 99) = 49
  EXPECT_EQ(box.Sat(), 50);
  EXPECT_EQ(box.Val(), 49);
  box.MouseMove({ssLeft}, -30, 500);  // clamped into the square
  EXPECT_EQ(box.Sat(), 0);
  EXPECT_EQ(box.Val(), 0);
  box.MouseUp(mbLeft, {}, -30, 500);
  box.MouseMove({}, 10, 10);  // the drag is over
  EXPECT_EQ(box.Sat(), 0);
  EXPECT_EQ(hosted.Changes.Count, 3);

  box.MouseDown(mbLeft, {ssLeft}, 90, 52);  // 359 - Round(52 / 104 x 359) = 359 - 180 (ties to even)
  EXPECT_EQ(box.Hue(), 179);
  box.MouseMove({ssLeft}, 0, -10);  // a hue drag stays on the bar
  EXPECT_EQ(box.Hue(), 359);
  EXPECT_EQ(box.Sat(), 0);
  EXPECT_EQ(box.Color(), TRGB2TColor(HSV2RGB(359, 0, 0)));
  EXPECT_EQ(hosted.Changes.Count, 5);
}

TEST(HSVBox, APressInTheGapChangesNothing) {
  THostedBox hosted(105, 105);
  hosted.Box.SetHue(100), hosted.Box.SetSat(20), hosted.Box.SetVal(30);
  for (int32_t x = 80; x < 85; ++x) {
    hosted.Box.MouseDown(mbLeft, {ssLeft}, x, 50);
    hosted.Box.MouseMove({ssLeft}, 10, 10);
    hosted.Box.MouseUp(mbLeft, {}, 10, 10);
  }
  EXPECT_EQ(hosted.Box.Hue(), 100);
  EXPECT_EQ(hosted.Box.Sat(), 20);
  EXPECT_EQ(hosted.Box.Val(), 30);
  EXPECT_EQ(hosted.Changes.Count, 0);
}

// Under 27 pixels wide the square is less than 2 wide, and 1 pixel high leaves no height to
// divide by: such boxes draw but ignore presses.
TEST(HSVBox, BoxesTooSmallToPickFromIgnorePresses) {
  for (auto [w, h] : {std::pair{26, 50}, std::pair{25, 50}, std::pair{10, 50}, std::pair{60, 1}, std::pair{1, 1}}) {
    THostedBox hosted(w, h);
    hosted.Host.Snapshot();
    for (int32_t x : {0, w / 2, w - 1}) {
      hosted.Box.MouseDown(mbLeft, {ssLeft}, x, 0);
      hosted.Box.MouseMove({ssLeft}, x, h);
      hosted.Box.MouseUp(mbLeft, {}, x, h);
    }
    EXPECT_EQ(hosted.Changes.Count, 0) << w << " x " << h;
    EXPECT_EQ(hosted.Box.Hue(), 0);
  }
  THostedBox least(27, 2);
  least.Box.MouseDown(mbLeft, {ssLeft}, 1, 0);
  EXPECT_EQ(least.Box.Sat(), 99);
  EXPECT_EQ(least.Changes.Count, 1);
}

// Every pixel of a 45 x 20 box (square 20 wide): the square and the bar from their colour
// rules, the gap in the background, and the two markers inverting what lies under them.
TEST(HSVBox, DrawsSquareGapBarAndInvertedMarkers) {
  THostedBox hosted(45, 20);
  THSVBox& box = hosted.Box;
  box.SetBackground(0x00AA55);
  box.SetHue(120), box.SetSat(50), box.SetVal(75);
  TBitmap expected = kxtest::Filled(45, 20, TColor2TRGB(0x00AA55));
  for (int32_t y = 0; y < 20; ++y) {
    TRGB* row = reinterpret_cast<TRGB*>(expected.ScanLine(y));
    const int32_t d = 19 - y;
    for (int32_t g = 0; g < 20; ++g) row[g] = HSV2RGB(120, KXTrunc(g * (100.0f / 20)), KXTrunc(d * (100.0f / 20)));
    for (int32_t x = 25; x < 45; ++x) row[x] = HSV2RGB(d * 360 / 20, 99, 99);
  }
  auto invertFrame = [&](int32_t l, int32_t t, int32_t r, int32_t b) {
    for (int32_t y = t; y < b; ++y)
      for (int32_t x = l; x < r; ++x)
        if ((y == t || y == b - 1 || x == l || x == r - 1) && x >= 0 && y >= 0 && x < 45 && y < 20) {
          TRGB& p = reinterpret_cast<TRGB*>(expected.ScanLine(y))[x];
          p = TRGB{uint8_t(~p.b), uint8_t(~p.g), uint8_t(~p.r)};
        }
  };
  // Hue 120: hy = Round(19 x 239 / 360) = 13; saturation 50: sx = Round(50 / 99 x 19) = 10;
  // value 75: vy = 20 - Round(19 x 75 / 99) = 6.
  invertFrame(25, 11, 45, 15);
  invertFrame(7, 2, 13, 8);
  EXPECT_TRUE(kxtest::SameBitmap(hosted.Host.Snapshot(), expected));
}
