// The nearest-pixel stretch: exact mapping of the source rectangle onto the destination,
// 1-bit pictures in black and white, clipping, and agreement with an independent resize.
#include "imaging/proc/dib_draw.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace kx;
using kxtest::CoordinatePicture;

namespace {}  // namespace

TEST(DibDraw, SourceRectangleFillsTheDestinationRectangleExactly) {
  const TBitmap src = CoordinatePicture(10, 8);
  struct Case {
    TRect dest, source;
  };
  for (Case c : {Case{Rect(2, 1, 14, 9), Rect(3, 2, 6, 6)}, Case{Rect(0, 0, 3, 2), Rect(0, 0, 10, 8)},
                 Case{Rect(1, 1, 8, 6), Rect(2, 1, 9, 6)}, Case{Rect(0, 0, 7, 5), Rect(1, 2, 4, 3)}}) {
    TBitmap dst(16, 12, pf24bit);
    KXDrawDib(dst, c.dest, src, c.source);
    const int32_t dw = c.dest.Width(), dh = c.dest.Height(), sw = c.source.Width(), sh = c.source.Height();
    for (int32_t y = 0; y < dst.Height(); ++y)
      for (int32_t x = 0; x < dst.Width(); ++x) {
        const bool inside = x >= c.dest.Left && x < c.dest.Right && y >= c.dest.Top && y < c.dest.Bottom;
        TRGB want{};
        if (inside) {
          const int32_t sx = c.source.Left + (2 * (x - c.dest.Left) + 1) * sw / (2 * dw);
          const int32_t sy = c.source.Top + (2 * (y - c.dest.Top) + 1) * sh / (2 * dh);
          want = CreateRGB(uint8_t(sx), uint8_t(sy), 7);
        }
        ASSERT_EQ(dst.GetPixel(x, y), want) << x << "," << y;
      }
    // Enlarged, the corners of the destination show the corners of the source.
    if (dw < sw || dh < sh) continue;
    EXPECT_EQ(dst.GetPixel(c.dest.Left, c.dest.Top), CreateRGB(uint8_t(c.source.Left), uint8_t(c.source.Top), 7));
    EXPECT_EQ(dst.GetPixel(c.dest.Right - 1, c.dest.Bottom - 1),
              CreateRGB(uint8_t(c.source.Right - 1), uint8_t(c.source.Bottom - 1), 7));
  }
}

TEST(DibDraw, WholeNumberEnlargementRepeatsEveryPixelEqually) {
  const TBitmap src = CoordinatePicture(5, 3);
  TBitmap dst(20, 12, pf24bit);
  KXDrawDib(dst, Rect(0, 0, 20, 12), src, Rect(0, 0, 5, 3));
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(dst.GetPixel(x, y), src.GetPixel(x / 4, y / 4));
}

TEST(DibDraw, OneBitIsBlackAndWhiteWhateverThePalette) {
  TBitmap src(9, 2, pf1bit);
  src.SetPalette({CreateRGB(255, 0, 0), CreateRGB(0, 0, 255)});
  uint8_t* row = src.ScanLine(0);
  row[0] = 0b10100000;
  row[1] = 0b10000000;  // pixel 8
  TBitmap dst(9, 1, pf24bit);
  KXDrawDib(dst, Rect(0, 0, 9, 1), src, Rect(0, 0, 9, 1));
  const TRGB w = CreateRGB(255, 255, 255), k{};
  const TRGB want[9] = {w, k, w, k, k, k, k, k, w};
  for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(dst.GetPixel(x, 0), want[x]) << x;
}

TEST(DibDraw, ClipsToBothBitmapsAndIgnoresUnusableInput) {
  const TBitmap src = CoordinatePicture(4, 4);
  TBitmap dst(6, 6, pf24bit);
  // Half the destination lies off the target, and the source rectangle runs past the picture:
  // pixels whose source is missing keep what they had.
  KXDrawDib(dst, Rect(-2, -2, 6, 6), src, Rect(-1, -1, 3, 3));
  EXPECT_EQ(dst.GetPixel(0, 0), CreateRGB(0, 0, 7));
  EXPECT_EQ(dst.GetPixel(5, 5), CreateRGB(2, 2, 7));
  TBitmap before(dst);
  KXDrawDib(dst, Rect(0, 0, 0, 5), src, Rect(0, 0, 4, 4));
  KXDrawDib(dst, Rect(0, 0, 5, 5), src, Rect(2, 2, 2, 4));
  KXDrawDib(dst, Rect(0, 0, 5, 5), TBitmap(4, 4, pf8bit), Rect(0, 0, 4, 4));
  EXPECT_EQ(kxtest::Compare(dst, before).pixels, 0);
}

TEST(DibDraw, WritesIntoOtherTargetFormats) {
  const TBitmap src = CoordinatePicture(2, 1);
  TBitmap dst(4, 1, pf32bit);
  KXDrawDib(dst, Rect(0, 0, 4, 1), src, Rect(0, 0, 2, 1));
  EXPECT_EQ(dst.GetPixel(1, 0), CreateRGB(0, 0, 7));
  EXPECT_EQ(dst.GetPixel(2, 0), CreateRGB(1, 0, 7));
}

// ImageMagick's point filter takes the pixel under each destination pixel's centre too.
TEST(DibDraw, MatchesImageMagicksPointResize) {
  const std::string convert = "/usr/bin/convert";
  if (!kxtest::Have(convert)) GTEST_SKIP() << "no ImageMagick";
  const TBitmap src = kxtest::MakePicture(37, 23);
  const std::string in = kxtest::TempPath(".ppm"), out = kxtest::TempPath(".ppm");
  kxtest::WritePPM(in, src);
  for (const char* geometry : {"100x61!", "13x9!"}) {
    ASSERT_EQ(kxtest::Run(convert + " " + in + " -filter point -resize " + geometry + " " + out), 0);
    TBitmap oracle;
    ASSERT_TRUE(kxtest::ReadNetpbm(out, oracle));
    TBitmap dst(oracle.Width(), oracle.Height(), pf24bit);
    KXDrawDib(dst, Rect(0, 0, dst.Width(), dst.Height()), src, Rect(0, 0, 37, 23));
    EXPECT_EQ(kxtest::Compare(dst, oracle).pixels, 0) << geometry;
  }
}
