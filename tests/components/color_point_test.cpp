// Point operations of the colour group: brightness, contrast (uniform and 9-megapixel pictures
// keep their colour), negative at 24 and 1 bit, gray, thresholds, level stretch, equalisation,
// and selection-limited runs that change exactly the selected pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/color.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using kxtest::Filled;

// A 256 x 1 ramp: pixel i is (i, 255 - i, i).
TBitmap Ramp() {
  TBitmap b(256, 1);
  for (int i = 0; i < 256; ++i) b.SetPixel(i, 0, CreateRGB(uint8_t(i), uint8_t(255 - i), uint8_t(i)));
  return b;
}

bool Same(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) return false;
  const size_t bytes = a.BitCount() == 24 ? size_t(a.Width()) * 3 : (size_t(a.Width()) + 7) / 8;
  for (int32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
  return true;
}

struct TWork {
  TBitmap Bitmap;
  TKestrixProc Proc;
  explicit TWork(TBitmap b) : Bitmap(std::move(b)) { Proc.SetAttachedBitmap(&Bitmap); }
};

uint8_t Clamp(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

TEST(ColorPoint, BrightnessClampsAtBothEnds) {
  TWork w(Filled(1, 1, CreateRGB(10, 200, 250)));
  w.Proc.IntensityRGBall(40, 40, 40);
  EXPECT_EQ(w.Bitmap.GetPixel(0, 0), CreateRGB(50, 240, 255));
  for (const int d : {100, -100, 1, -1, 37}) {
    TWork r(Ramp());
    r.Proc.IntensityRGBall(d, d, -d);
    for (int i = 0; i < 256; ++i)
      ASSERT_EQ(r.Bitmap.GetPixel(i, 0), CreateRGB(Clamp(i + d), Clamp(255 - i + d), Clamp(i - d))) << d << " " << i;
  }
  TWork up(Ramp());
  up.Proc.IntensityRGBall(100, 100, 100);
  EXPECT_EQ(up.Bitmap.GetPixel(155, 0).r, 255);
  EXPECT_EQ(up.Bitmap.GetPixel(154, 0).r, 254);
  TWork down(Ramp());
  down.Proc.IntensityRGBall(-100, -100, -100);
  EXPECT_EQ(down.Bitmap.GetPixel(100, 0).r, 0);
  EXPECT_EQ(down.Bitmap.GetPixel(101, 0).r, 1);
  EXPECT_TRUE(down.Proc.CanUndo());
  down.Proc.Undo();
  EXPECT_TRUE(Same(down.Bitmap, Ramp()));
}

TEST(ColorPoint, ContrastAroundTheTrueMeans) {
  // Red 0, 100, 200, 100: mean 100 (the old divisor (w - 1)(h - 1) = 1 gave 400).
  TBitmap b(2, 2);
  b.SetPixel(0, 0, CreateRGB(0, 99, 7));
  b.SetPixel(1, 0, CreateRGB(100, 101, 7));
  b.SetPixel(0, 1, CreateRGB(200, 100, 7));
  b.SetPixel(1, 1, CreateRGB(100, 100, 7));
  struct {
    int32_t V;
    uint8_t Red[4];    // of the pixels (0, 0), (1, 0), (0, 1), (1, 1)
    uint8_t Green[2];  // of 99 and 101 around mean 100
  } const cases[] = {
      {10, {0, 100, 255, 100}, {98, 102}},                                               // f = 2
      {-25, {50, 100, 150, 100}, {100, 100}},                                            // f = 0.5; Trunc(+-0.5) = 0
      {0, {0, 100, 200, 100}, {99, 101}},     {-100, {100, 100, 100, 100}, {100, 100}},  // f = 0: every pixel the mean
      {100, {0, 100, 255, 100}, {89, 111}},                                              // f = 11
  };
  for (const auto& c : cases) {
    TWork w(b);
    w.Proc.Contrast(c.V);
    EXPECT_EQ(w.Bitmap.GetPixel(0, 0).r, c.Red[0]) << c.V;
    EXPECT_EQ(w.Bitmap.GetPixel(1, 0).r, c.Red[1]) << c.V;
    EXPECT_EQ(w.Bitmap.GetPixel(0, 1).r, c.Red[2]) << c.V;
    EXPECT_EQ(w.Bitmap.GetPixel(1, 1).r, c.Red[3]) << c.V;
    EXPECT_EQ(w.Bitmap.GetPixel(0, 0).g, c.Green[0]) << c.V;
    EXPECT_EQ(w.Bitmap.GetPixel(1, 0).g, c.Green[1]) << c.V;
    EXPECT_EQ(w.Bitmap.GetPixel(1, 1).b, 7) << c.V;
  }
  // A uniform picture keeps its colour at every contrast.
  for (const int32_t v : {-100, -50, 0, 50, 100}) {
    TWork w(Filled(3, 3, CreateRGB(200, 200, 200)));
    w.Proc.Contrast(v);
    EXPECT_TRUE(Same(w.Bitmap, Filled(3, 3, CreateRGB(200, 200, 200)))) << v;
  }
  // Too small: unchanged.
  TWork line(Filled(5, 1, CreateRGB(0, 0, 0)));
  line.Bitmap.SetPixel(0, 0, CreateRGB(255, 255, 255));
  const TBitmap before = line.Bitmap;
  line.Proc.Contrast(100);
  EXPECT_TRUE(Same(line.Bitmap, before));
}

TEST(ColorPoint, ContrastOnNineMegapixelsSumsInSixtyFourBits) {
  // 9 million x 255 overflows 32 bits.
  TWork w(Filled(3000, 3000, CreateRGB(255, 128, 254)));
  w.Proc.Contrast(30);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{2999, 2999}, std::pair{1500, 700}})
    EXPECT_EQ(w.Bitmap.GetPixel(x, y), CreateRGB(255, 128, 254));
  w.Bitmap.SetPixel(0, 0, CreateRGB(0, 0, 0));
  w.Proc.Contrast(10);  // f = 2 around means that stay 254, 127, 253
  EXPECT_EQ(w.Bitmap.GetPixel(0, 0), CreateRGB(0, 0, 0));
  EXPECT_EQ(w.Bitmap.GetPixel(5, 5), CreateRGB(255, 129, 255));
}

TEST(ColorPoint, NegativeAtTwentyFourAndOneBit) {
  TWork w(Ramp());
  w.Proc.Negative();
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(w.Bitmap.GetPixel(i, 0), CreateRGB(uint8_t(255 - i), uint8_t(i), uint8_t(255 - i)));
  TWork mono(TBitmap(10, 3, pf1bit));
  mono.Proc.Select(2, 1, 8, 1);
  mono.Proc.Negative();
  EXPECT_EQ(mono.Bitmap.ScanLine(0)[0], 0);
  EXPECT_EQ(mono.Bitmap.ScanLine(1)[0], 0x3F);
  EXPECT_EQ(mono.Bitmap.ScanLine(1)[1], 0x80);
  EXPECT_EQ(mono.Bitmap.ScanLine(2)[1], 0);
}

// A 1-bit negative inverts whole bytes between partial end bytes: every span of a 40-pixel row
// flips exactly its own bits.
TEST(ColorPoint, OneBitNegativeFlipsExactlyEverySpan) {
  for (int32_t x1 = 0; x1 < 40; ++x1)
    for (int32_t x2 = x1; x2 < 40; ++x2) {
      TWork mono(TBitmap(40, 1, pf1bit));
      uint8_t* row = mono.Bitmap.ScanLine(0);
      for (int i = 0; i < 5; ++i) row[i] = uint8_t(0x5A + 17 * i);
      const std::vector<uint8_t> before(row, row + 5);
      mono.Proc.Select(x1, 0, x2, 0);
      mono.Proc.Negative();
      for (int32_t x = 0; x < 40; ++x) {
        const bool flipped = x >= x1 && x <= x2;
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        ASSERT_EQ(row[x >> 3] & bit, (before[size_t(x >> 3)] & bit) ^ (flipped ? bit : 0))
            << x1 << ".." << x2 << " at " << x;
      }
    }
}

TEST(ColorPoint, GrayAndOperationsThatNeedTwentyFourBits) {
  TBitmap b(3, 1);
  b.SetPixel(0, 0, CreateRGB(255, 255, 255));
  b.SetPixel(1, 0, CreateRGB(10, 200, 250));
  b.SetPixel(2, 0, CreateRGB(255, 0, 0));
  TWork w(b);
  w.Proc.ConvertToGray();
  EXPECT_EQ(w.Bitmap.GetPixel(0, 0), CreateRGB(252, 252, 252));
  EXPECT_EQ(w.Bitmap.GetPixel(1, 0), CreateRGB(161, 161, 161));
  EXPECT_EQ(w.Bitmap.GetPixel(2, 0), CreateRGB(53, 53, 53));

  TBitmap mono(9, 2, pf1bit);
  mono.ScanLine(0)[0] = 0x5A;
  TWork m(mono);
  const std::function<void(TKestrixProc&)> ops[] = {
      [](TKestrixProc& p) { p.IntensityRGBall(10, 10, 10); }, [](TKestrixProc& p) { p.Contrast(50); },
      [](TKestrixProc& p) { p.ConvertToGray(); }, [](TKestrixProc& p) { p.HSVvar(10, 0, 0); },
      [](TKestrixProc& p) { p.HistAutoEqualize(); }};
  for (const auto& op : ops) {
    op(m.Proc);
    EXPECT_TRUE(Same(m.Bitmap, mono));
    TKestrixProc none;
    op(none);
  }
}

TEST(ColorPoint, ThresholdsPerChannel) {
  // Limits black and white: nothing happens, even to channels that are 0.
  TWork same(Ramp());
  same.Proc.Threshold(CreateRGB(0, 0, 0), CreateRGB(255, 255, 255), CreateRGB(9, 9, 9), CreateRGB(7, 7, 7));
  EXPECT_TRUE(Same(same.Bitmap, Ramp()));

  TWork w(Ramp());
  w.Proc.Threshold(CreateRGB(50, 50, 50), CreateRGB(200, 200, 200), CreateRGB(0, 250, 0), CreateRGB(255, 255, 255));
  const auto red = [&](int i) { return w.Bitmap.GetPixel(i, 0).r; };
  EXPECT_EQ(red(50), 0);
  EXPECT_EQ(red(51), 51);
  EXPECT_EQ(red(200), 200);
  EXPECT_EQ(red(201), 255);
  // Green: a replaced low value above the upper limit is replaced again.
  EXPECT_EQ(w.Bitmap.GetPixel(205, 0).g, 255);  // green 50
  EXPECT_EQ(w.Bitmap.GetPixel(100, 0).g, 155);
}

TEST(ColorPoint, LevelStretch) {
  TWork w(Ramp());
  w.Proc.HistEqualize(CreateRGB(0, 0, 0), CreateRGB(200, 0, 0));  // high treated as (200, 1, 1)
  EXPECT_EQ(w.Bitmap.GetPixel(100, 0).r, 128);                    // Nearest(100 / 200 x 255 = 127.5)
  EXPECT_EQ(w.Bitmap.GetPixel(201, 0).r, 255);
  EXPECT_EQ(w.Bitmap.GetPixel(255, 0).g, 0);
  EXPECT_EQ(w.Bitmap.GetPixel(254, 0).g, 255);
  EXPECT_EQ(w.Bitmap.GetPixel(0, 0).b, 0);
  EXPECT_EQ(w.Bitmap.GetPixel(1, 0).b, 255);

  TWork s(Ramp());
  s.Proc.HistEqualize(CreateRGB(50, 50, 50), CreateRGB(200, 200, 200));
  EXPECT_EQ(s.Bitmap.GetPixel(200, 0).r, 238);  // A = 187, B = Nearest(238.4)
  EXPECT_EQ(s.Bitmap.GetPixel(210, 0).r, 254);  // A = 199
  EXPECT_EQ(s.Bitmap.GetPixel(211, 0).r, 255);  // A = 200, the first level at the top
  EXPECT_EQ(s.Bitmap.GetPixel(50, 0).r, 0);
  EXPECT_EQ(s.Bitmap.GetPixel(10, 0).r, 0);

  TWork equal(Ramp());
  equal.Proc.HistEqualize(CreateRGB(1, 1, 1), CreateRGB(0, 0, 0));
  EXPECT_TRUE(Same(equal.Bitmap, Ramp()));
}

TEST(ColorPoint, AutoEqualizeChoosesBetweenLevelAndNeighbourhood) {
  // Left half black, right half white, 16 x 16: quota 1; black's range is 0..127, white's 127..255.
  TBitmap b = Filled(16, 16, CreateRGB(0, 0, 0));
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 8; x < 16; ++x) b.SetPixel(x, y, CreateRGB(255, 255, 255));
  TWork w(b);
  w.Proc.HistAutoEqualize();
  const uint8_t expect[16] = {0, 0, 0, 0, 0, 0, 0, 85, 170, 255, 255, 255, 255, 255, 255, 255};
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x)
      ASSERT_EQ(w.Bitmap.GetPixel(x, y), CreateRGB(expect[x], expect[x], expect[x])) << x;

  // Fewer than 256 pixels: unchanged.
  const TBitmap small = kxtest::MakePicture(15, 15);
  TWork s(small);
  s.Proc.HistAutoEqualize();
  EXPECT_TRUE(Same(s.Bitmap, small));
}

// Each operation run on a selection equals the whole-picture run inside it and leaves every
// other pixel alone.
TEST(ColorPoint, SelectionChangesExactlyTheSelectedPixels) {
  const TBitmap photo = kxtest::MakePicture(40, 30);
  const std::function<void(TKestrixProc&)> ops[] = {
      [](TKestrixProc& p) { p.IntensityRGBall(30, -20, 10); },
      [](TKestrixProc& p) { p.Contrast(40); },
      [](TKestrixProc& p) { p.Negative(); },
      [](TKestrixProc& p) { p.ConvertToGray(); },
      [](TKestrixProc& p) { p.HSLvar(30, 10, 5); },
      [](TKestrixProc& p) { p.HSVvar(30, 10, 5); },
      [](TKestrixProc& p) { p.CastColorRange(CreateRGB(0, 0, 0), CreateRGB(128, 255, 255), CreateRGB(1, 2, 3)); },
      [](TKestrixProc& p) {
        p.Threshold(CreateRGB(60, 60, 60), CreateRGB(180, 180, 180), CreateRGB(0, 0, 0), CreateRGB(255, 255, 255));
      },
      [](TKestrixProc& p) { p.HistEqualize(CreateRGB(20, 20, 20), CreateRGB(220, 220, 220)); },
      [](TKestrixProc& p) { p.HistAutoEqualize(); },
  };
  int index = 0;
  for (const auto& op : ops) {
    TWork whole(photo);
    op(whole.Proc);
    EXPECT_FALSE(Same(whole.Bitmap, photo)) << index;
    TWork part(photo);
    part.Proc.Select(5, 4, 22, 17);
    op(part.Proc);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) {
        const bool inside = x >= 5 && x <= 22 && y >= 4 && y <= 17;
        ASSERT_EQ(part.Bitmap.GetPixel(x, y), (inside ? whole.Bitmap : photo).GetPixel(x, y))
            << "operation " << index << " at " << x << "," << y;
      }
    ++index;
  }
}

}  // namespace
