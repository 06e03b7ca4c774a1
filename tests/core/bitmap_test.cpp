// The bitmap's block layout, row addressing, resizing and format conversions.
#include "imaging/core/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/core/canvas.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "tests/support/test_support.h"

using namespace kx;

TEST(Bitmap, RowsAreBottomUpInOneBlockPaddedToFourBytes) {
  struct Case {
    int32_t width;
    TPixelFormat pf;
    int32_t rowLen;
  };
  for (Case c :
       {Case{1, pf24bit, 4}, Case{33, pf1bit, 8}, Case{5, pf24bit, 16}, Case{3, pf32bit, 12}, Case{7, pf8bit, 8}}) {
    TBitmap b(c.width, 3, c.pf);
    EXPECT_EQ(b.RowLen(), c.rowLen) << c.width;
    EXPECT_EQ(b.ScanLine(2), b.Bits());
    EXPECT_EQ(b.ScanLine(0), b.Bits() + 2 * c.rowLen);
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), -intptr_t(c.rowLen));
  }
}

TEST(Bitmap, OneRowBitmapStillGivesTheStride) {
  TBitmap b(10, 1, pf24bit);
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), -intptr_t(b.RowLen()));
  EXPECT_EQ(b.Stride(), -intptr_t(32));
}

TEST(Bitmap, ScanLineOutsideZeroToHeightThrows) {
  TBitmap b(4, 4, pf24bit);
  EXPECT_NO_THROW(b.ScanLine(4));
  try {
    b.ScanLine(5);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "Scan line index out of range");
  }
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  TBitmap empty;
  EXPECT_NO_THROW(empty.ScanLine(0));
  EXPECT_THROW(empty.ScanLine(1), EInvalidGraphicOperation);
}

TEST(Bitmap, NewAndEnlargedBlocksAreZeroAndKeepTheOldPixels) {
  TBitmap b(2, 2, pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2 * 3 + 2; ++x) EXPECT_EQ(b.ScanLine(y)[x], 0);
  b.SetPixel(1, 1, CreateRGB(10, 20, 30));
  b.SetSize(3, 4);
  EXPECT_EQ(b.GetPixel(1, 1), CreateRGB(10, 20, 30));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) {
      if (x != 1 || y != 1) {
        EXPECT_EQ(b.GetPixel(x, y), TRGB{}) << x << "," << y;
      }
    }
}

TEST(Bitmap, SizesAboveThePixelLimitAreRefused) {
  TBitmap b;
  {
    const kxtest::TPixelLimitScope limit(100);
    EXPECT_THROW(b.SetSize(11, 10), EPixelLimit);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_NO_THROW(b.SetSize(10, 10));
  }
  EXPECT_THROW(b.SetSize(1 << 30, 1 << 30), EPixelLimit);
}

TEST(Bitmap, FormatConversionKeepsTheLook) {
  TBitmap b(9, 2, pf24bit);
  b.SetPixel(0, 0, CreateRGB(255, 255, 255));
  b.SetPixel(8, 1, CreateRGB(250, 250, 250));
  b.SetPixel(3, 0, CreateRGB(200, 10, 10));
  TBitmap one = b;
  one.SetPixelFormat(pf1bit);
  EXPECT_EQ(one.RowLen(), 4);
  EXPECT_EQ(one.ScanLine(0)[0], 0x80);
  EXPECT_EQ(one.ScanLine(1)[1], 0x80);
  one.SetPixelFormat(pf24bit);
  EXPECT_EQ(one.GetPixel(0, 0), CreateRGB(255, 255, 255));
  EXPECT_EQ(one.GetPixel(8, 1), CreateRGB(255, 255, 255));
  EXPECT_EQ(one.GetPixel(1, 0), CreateRGB(0, 0, 0));

  for (TPixelFormat pf : {pf32bit, pf15bit, pf16bit}) {
    TBitmap c = b;
    c.SetPixelFormat(pf);
    c.SetPixelFormat(pf24bit);
    TRGB p = c.GetPixel(3, 0);
    EXPECT_NEAR(p.r, 200, 8) << int(pf);
    EXPECT_NEAR(p.g, 10, 8) << int(pf);
    EXPECT_EQ(c.GetPixel(0, 0), CreateRGB(255, 255, 255)) << int(pf);
  }
  TBitmap gray = b;
  gray.SetPixelFormat(pf8bit);
  EXPECT_EQ(gray.ScanLine(0)[3], (77 * 200 + 150 * 10 + 29 * 10 + 128) >> 8);
  EXPECT_EQ(gray.ScanLine(0)[0], 255);
}

TEST(Bitmap, AssignMakesAnIndependentCopy) {
  TBitmap a(3, 3, pf24bit);
  a.SetPixel(2, 2, CreateRGB(1, 2, 3));
  TBitmap b;
  b.Assign(a);
  a.SetPixel(2, 2, CreateRGB(9, 9, 9));
  EXPECT_EQ(b.GetPixel(2, 2), CreateRGB(1, 2, 3));
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.Width(), 3);
}

// A turned picture of the same bytes takes the block it is given: the pixels keep what the
// block held, the row padding is cleared, and sizes the block cannot hold change nothing.
TEST(Bitmap, RecycleBlockReshapesOnlyWithinTheBlock) {
  TBitmap b(8, 6);  // rows of 24 bytes, 7 x 24 with the guard row
  std::memset(b.Bits(), 0xA5, 24 * 6);
  const uint8_t* block = b.Bits() - b.RowLen();
  ASSERT_TRUE(b.RecycleBlock(5, 9));  // rows of 15 + 1 padding bytes, 10 x 16
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 9);
  EXPECT_EQ(b.RowLen(), 16);
  EXPECT_EQ(b.Bits() - b.RowLen(), block);
  for (int32_t y = 0; y < 9; ++y) {
    EXPECT_EQ(b.ScanLine(y)[14], 0xA5) << y;
    EXPECT_EQ(b.ScanLine(y)[15], 0) << y;
  }
  for (const auto& [w, h] : {std::pair{8, 7}, std::pair{0, 4}, std::pair{4, 0}, std::pair{100, 1}}) {
    EXPECT_FALSE(b.RecycleBlock(w, h)) << w << "x" << h;
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 9);
  }
  TBitmap empty;
  EXPECT_FALSE(empty.RecycleBlock(1, 1));
}

TEST(Bitmap, SwapExchangesThePicturesAndLeavesEachCanvasWithItsBitmap) {
  TBitmap color = kxtest::MakePicture(5, 3);
  TBitmap mono(9, 4, pf1bit);
  mono.SetPalette({CreateRGB(1, 2, 3), CreateRGB(4, 5, 6)});
  mono.ScanLine(3)[1] = 0x80;  // pixel (8, 3)
  const TBitmap color0 = color, mono0 = mono;
  TCanvas* colorCanvas = &color.Canvas();
  TCanvas* monoCanvas = &mono.Canvas();
  color.Swap(mono);

  ASSERT_EQ(color.Width(), 9);
  ASSERT_EQ(color.Height(), 4);
  EXPECT_EQ(color.PixelFormat(), pf1bit);
  EXPECT_EQ(color.RowLen(), 4);
  EXPECT_EQ(color.Stride(), -4);
  EXPECT_EQ(color.Palette(), mono0.Palette());
  EXPECT_EQ(color.ScanLine(0) - color.ScanLine(3), 12);
  EXPECT_EQ(color.ScanLine(3)[1], 0x80);
  EXPECT_EQ(mono.PixelFormat(), pf24bit);
  EXPECT_TRUE(mono.Palette().empty());
  EXPECT_EQ(mono.RowLen(), 16);
  EXPECT_EQ(kxtest::Compare(mono, color0).pixels, 0);

  // A canvas stays with the bitmap that owns it and draws into the picture it now holds.
  EXPECT_EQ(&color.Canvas(), colorCanvas);
  EXPECT_EQ(&mono.Canvas(), monoCanvas);
  monoCanvas->Brush.Color = 0x0000FF;  // red
  monoCanvas->FillRect(Rect(0, 0, 5, 3));
  EXPECT_EQ(mono.GetPixel(4, 2), CreateRGB(255, 0, 0));
  for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(std::memcmp(color.ScanLine(y), mono0.ScanLine(y), 4), 0) << y;
}

TEST(Bitmap, RoundTripsThroughOtherFormats) {
  const TBitmap picture = kxtest::MakePicture(37, 11, 5);
  TBitmap wide = picture;
  wide.SetPixelFormat(pf32bit);
  EXPECT_EQ(wide.RowLen(), 37 * 4);
  wide.SetPixelFormat(pf24bit);
  EXPECT_EQ(kxtest::Compare(wide, picture).pixels, 0);

  TBitmap gray = picture;
  gray.SetPixelFormat(pf8bit);
  gray.SetPixelFormat(pf24bit);
  TBitmap mono = picture;
  mono.SetPixelFormat(pf1bit);
  mono.SetPixelFormat(pf24bit);
  for (int32_t y = 0; y < 11; ++y)
    for (int32_t x = 0; x < 37; ++x) {
      TRGB p = picture.GetPixel(x, y);
      auto luma = uint8_t((77 * p.r + 150 * p.g + 29 * p.b + 128) >> 8);
      EXPECT_EQ(gray.GetPixel(x, y), CreateRGB(luma, luma, luma)) << x << "," << y;
      // Black or white, whichever is nearer.
      uint8_t bw = p.r + p.g + p.b >= 383 ? 255 : 0;
      EXPECT_EQ(mono.GetPixel(x, y), CreateRGB(bw, bw, bw)) << x << "," << y;
    }
}

TEST(Bitmap, WideningAOneBitRowDoesNotRevealItsPadding) {
  TBitmap b(9, 2, pf1bit);
  for (int32_t y = 0; y < 2; ++y) {
    b.ScanLine(y)[0] = 0xFF;
    b.ScanLine(y)[1] = 0xFF;  // pixel 8, then padding bits
    b.ScanLine(y)[2] = 0xFF;
  }
  b.SetWidth(24);
  for (int32_t y = 0; y < 2; ++y) {
    EXPECT_EQ(b.ScanLine(y)[0], 0xFF);
    EXPECT_EQ(b.ScanLine(y)[1], 0x80);
    EXPECT_EQ(b.ScanLine(y)[2], 0x00);
  }
}

TEST(Bitmap, RowsLongerThanThirtyOneBitsAreRefused) {
  const kxtest::TPixelLimitScope limit(int64_t(1) << 40);
  TBitmap b;
  EXPECT_THROW(b.SetSize(1 << 30, 1), EPixelLimit);  // 3 GiB rows at 24 bits
  EXPECT_EQ(b.Width(), 0);
}

TEST(Bitmap, FormatChangesOnEmptyAndDeviceBitmaps) {
  TBitmap b;
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.PixelFormat(), pf1bit);
  EXPECT_EQ(b.Palette().size(), 2u);
  b.SetSize(33, 2);
  EXPECT_EQ(b.RowLen(), 8);
  b.SetPixelFormat(pfCustom);  // there is no custom layout: true colour stands in
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.RowLen(), 100);
  EXPECT_TRUE(b.Palette().empty());
}
