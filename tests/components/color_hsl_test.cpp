// Hue, saturation, lightness and value: hand-computed conversions, the clamped (not wrapped)
// hue, pure red kept by any HSL hue shift while other reds move, HSV's 0..99 steps, and channel extraction.
#include <gtest/gtest.h>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/color.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

TRGB AfterHSL(TRGB c, int32_t dh, int32_t ds, int32_t dl) {
  TBitmap b(1, 1);
  b.SetPixel(0, 0, c);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&b);
  proc.HSLvar(dh, ds, dl);
  return b.GetPixel(0, 0);
}

TRGB AfterHSV(TRGB c, int32_t dh, int32_t ds, int32_t dv) {
  TBitmap b(1, 1);
  b.SetPixel(0, 0, c);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&b);
  proc.HSVvar(dh, ds, dv);
  return b.GetPixel(0, 0);
}

TEST(ColorHSL, ConversionsOfHandPickedColours) {
  double h, s, l;
  RGB2HSL(CreateRGB(0, 0, 255), h, s, l);
  EXPECT_DOUBLE_EQ(h, 4.0 / 6.0);
  EXPECT_DOUBLE_EQ(s, 1.0);
  EXPECT_DOUBLE_EQ(l, 0.5);
  RGB2HSL(CreateRGB(128, 128, 128), h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  RGB2HSL(CreateRGB(255, 0, 0), h, s, l);
  EXPECT_EQ(h, 0);
  RGB2HSL(CreateRGB(200, 50, 49), h, s, l);
  EXPECT_NEAR(h, 1.0 / 906, 1e-12);  // (1 / 151) / 6
  RGB2HSL(CreateRGB(200, 49, 50), h, s, l);
  EXPECT_NEAR(h, 1 - 1.0 / 906, 1e-12);
  EXPECT_EQ(HSL2RGB(0.5, 1, 1), CreateRGB(255, 0, 0));
  EXPECT_EQ(HSL2RGB(0.5, 1, 0), CreateRGB(255, 0, 0));
  EXPECT_EQ(HSL2RGB(0.5, 0, 0.3), CreateRGB(127, 127, 127));  // Trunc(127.5)
  EXPECT_EQ(HSL2RGB(2, 1, 0.3), CreateRGB(255, 255, 255));
  EXPECT_EQ(HSL2RGB(-1, 1, 0.3), CreateRGB(0, 0, 0));
}

TEST(ColorHSL, ShiftsClampTheHue) {
  EXPECT_EQ(AfterHSL(CreateRGB(255, 0, 0), 180, 0, 0), CreateRGB(255, 0, 0));
  EXPECT_EQ(AfterHSL(CreateRGB(255, 0, 0), 0, 0, 0), CreateRGB(255, 0, 0));
  // Blue (hue 240 degrees) + 180 saturates at 360: red, not yellow.
  EXPECT_EQ(AfterHSL(CreateRGB(0, 0, 255), 180, 0, 0), CreateRGB(255, 0, 0));
  // Green (120) - 240 stops at 0: red.
  EXPECT_EQ(AfterHSL(CreateRGB(0, 255, 0), -240, 0, 0), CreateRGB(255, 0, 0));
  EXPECT_EQ(AfterHSL(CreateRGB(0, 255, 0), 120, 0, 0), CreateRGB(0, 0, 255));
  EXPECT_EQ(AfterHSL(CreateRGB(255, 255, 0), 0, -100, 0), CreateRGB(127, 127, 127));
  EXPECT_EQ(AfterHSL(CreateRGB(90, 90, 90), 0, 0, 100), CreateRGB(255, 255, 255));
  EXPECT_EQ(AfterHSL(CreateRGB(30, 90, 150), 0, 0, -100), CreateRGB(0, 0, 0));
}

// Reds whose green equals blue, pure red and their neighbours, shifted both ways. The expected
// colours were worked out in exact rational arithmetic from the HLS formulas (hue clamped to
// 0..1, not wrapped; each channel Trunc(value x 255)); pure red alone enters a positive shift at
// hue 1.
TEST(ColorHSL, RedsShiftLikeTheirNeighbours) {
  struct {
    TRGB From;
    int32_t Dh;
    TRGB To;
  } const cases[] = {
      {CreateRGB(255, 0, 0), 40, CreateRGB(255, 0, 0)},       {CreateRGB(255, 0, 0), -40, CreateRGB(255, 0, 0)},
      {CreateRGB(255, 0, 0), -10, CreateRGB(255, 0, 0)},      {CreateRGB(255, 0, 0), 180, CreateRGB(255, 0, 0)},
      {CreateRGB(255, 0, 0), -120, CreateRGB(255, 0, 0)},     {CreateRGB(200, 50, 50), 40, CreateRGB(200, 150, 50)},
      {CreateRGB(200, 50, 50), -40, CreateRGB(200, 50, 50)},  {CreateRGB(200, 50, 50), -10, CreateRGB(200, 50, 50)},
      {CreateRGB(200, 50, 50), 10, CreateRGB(200, 75, 50)},   {CreateRGB(200, 50, 50), 180, CreateRGB(50, 200, 200)},
      {CreateRGB(200, 50, 50), -120, CreateRGB(200, 50, 50)}, {CreateRGB(200, 50, 50), 0, CreateRGB(200, 50, 50)},
      {CreateRGB(200, 50, 49), 40, CreateRGB(200, 150, 49)},  {CreateRGB(200, 50, 49), -10, CreateRGB(200, 49, 49)},
      {CreateRGB(200, 50, 49), 10, CreateRGB(200, 75, 49)},   {CreateRGB(200, 50, 49), 180, CreateRGB(49, 199, 200)},
      {CreateRGB(200, 50, 49), 0, CreateRGB(200, 50, 49)},    {CreateRGB(200, 49, 50), 40, CreateRGB(200, 49, 49)},
      {CreateRGB(200, 49, 50), -10, CreateRGB(200, 49, 75)},  {CreateRGB(200, 49, 50), -120, CreateRGB(49, 50, 200)},
      {CreateRGB(200, 49, 50), 0, CreateRGB(200, 49, 50)},    {CreateRGB(126, 18, 18), 40, CreateRGB(126, 90, 18)},
      {CreateRGB(126, 18, 18), -40, CreateRGB(126, 18, 18)},  {CreateRGB(126, 18, 18), 180, CreateRGB(18, 126, 126)},
      {CreateRGB(126, 18, 18), 0, CreateRGB(126, 18, 18)},    {CreateRGB(255, 1, 1), 40, CreateRGB(255, 170, 1)},
      {CreateRGB(255, 1, 1), 180, CreateRGB(1, 255, 255)},    {CreateRGB(255, 1, 1), -120, CreateRGB(255, 1, 1)},
      {CreateRGB(254, 0, 0), 40, CreateRGB(254, 169, 0)},     {CreateRGB(254, 0, 0), 180, CreateRGB(0, 254, 254)},
      {CreateRGB(254, 0, 0), -10, CreateRGB(254, 0, 0)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AfterHSL(c.From, c.Dh, 0, 0), c.To)
        << int(c.From.r) << "," << int(c.From.g) << "," << int(c.From.b) << " " << c.Dh;
}

TEST(ColorHSL, HSVStepsOfOneHundredth) {
  int32_t h, s, v;
  RGB2HSV(CreateRGB(255, 0, 0), h, s, v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 99);
  EXPECT_EQ(v, 99);
  RGB2HSV(CreateRGB(0, 0, 255), h, s, v);
  EXPECT_EQ(h, 240);
  RGB2HSV(CreateRGB(255, 0, 128), h, s, v);  // b 128 -> 50: (0 - 50) x 60 div 99 = -30 -> 330
  EXPECT_EQ(h, 330);
  EXPECT_EQ(HSV2RGB(0, 99, 99), CreateRGB(255, 0, 0));
  EXPECT_EQ(HSV2RGB(120, 99, 99), CreateRGB(0, 255, 0));
  EXPECT_EQ(AfterHSV(CreateRGB(255, 0, 0), 120, 0, 0), CreateRGB(0, 255, 0));
  // +400 clamps at 359: sector 5, f = 59, q = 99 - 99 x 99 x 59 div 5940 = 2 -> 5.
  EXPECT_EQ(AfterHSV(CreateRGB(255, 0, 0), 400, 0, 0), CreateRGB(255, 0, 5));
  // Gray 128 is 50 hundredths, which is 129 on the way back.
  EXPECT_EQ(AfterHSV(CreateRGB(128, 128, 128), 0, 0, 0), CreateRGB(129, 129, 129));
  EXPECT_EQ(AfterHSV(CreateRGB(200, 10, 10), 0, -100, 0), CreateRGB(201, 201, 201));
  // Hundredths 78, 4, 4: s = 74 x 99 div 78 = 93; v clamps at 99, p = 99 - 93 = 6 -> 15.
  EXPECT_EQ(AfterHSV(CreateRGB(200, 10, 10), 0, 0, 100), CreateRGB(255, 15, 15));
}

TEST(ColorHSL, LargePicturesShiftLikeSinglePixels) {
  const TBitmap photo = kxtest::MakePicture(1500, 1400);
  TBitmap b(photo);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&b);
  proc.HSVvar(25, -10, 7);
  for (int32_t y = 0; y < 1400; y += 7)
    for (int32_t x = 0; x < 1500; x += 3) {
      int32_t h, s, v;
      RGB2HSV(photo.GetPixel(x, y), h, s, v);
      ASSERT_EQ(b.GetPixel(x, y), HSV2RGB(h + 25, s - 10, v + 7)) << x << "," << y;
    }
}

TEST(ColorHSL, ChannelsAsGrayPictures) {
  TBitmap b(2, 1);
  b.SetPixel(0, 0, CreateRGB(10, 20, 30));
  b.SetPixel(1, 0, CreateRGB(255, 0, 0));
  TKestrixProc proc;
  proc.SetAttachedBitmap(&b);
  struct {
    int32_t Channel;
    uint8_t First, Second;
  } const rgb[] = {{0, 30, 0}, {1, 20, 0}, {2, 10, 255}, {7, 10, 255}};
  for (const auto& c : rgb) {
    auto out = proc.GetRGBChannel(c.Channel);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetPixel(0, 0), CreateRGB(c.First, c.First, c.First)) << c.Channel;
    EXPECT_EQ(out->GetPixel(1, 0), CreateRGB(c.Second, c.Second, c.Second)) << c.Channel;
  }
  // (10, 20, 30): hundredths 4, 8, 12; v 12, s = 8 x 99 div 12 = 66, h = (4 - 8) x 60 div 8 + 240 = 210.
  auto hue = proc.GetHSVChannel(0), sat = proc.GetHSVChannel(1), val = proc.GetHSVChannel(2);
  EXPECT_EQ(hue->GetPixel(0, 0).r, 149);  // Trunc(210 / 359 x 255)
  EXPECT_EQ(sat->GetPixel(0, 0).r, 170);  // Trunc(66 / 99 x 255)
  EXPECT_EQ(val->GetPixel(0, 0).r, 30);   // Trunc(12 / 99 x 255)
  EXPECT_EQ(proc.GetHSVChannel(9)->GetPixel(0, 0).r, 149);
  TBitmap r(1, 1, pf1bit), g, bl, h, s, v;
  proc.GetRGBChannelAll(r, g, bl);
  EXPECT_EQ(r.BitCount(), 24);
  EXPECT_EQ(r.GetPixel(1, 0).g, 255);
  EXPECT_EQ(bl.GetPixel(0, 0).r, 30);
  proc.GetHSVChannelAll(h, s, v);
  EXPECT_EQ(s.GetPixel(0, 0).b, 170);
  EXPECT_EQ(v.GetPixel(1, 0).b, 255);

  TBitmap mono(4, 4, pf1bit);
  TKestrixProc monoProc;
  monoProc.SetAttachedBitmap(&mono);
  EXPECT_EQ(monoProc.GetRGBChannel(0), nullptr);
  EXPECT_EQ(monoProc.GetHSVChannel(0), nullptr);
}

}  // namespace
