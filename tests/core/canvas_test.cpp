// Drawing on a bitmap, checked pixel by pixel: fills and their clipping, brush styles, lines
// (end point excluded, clipped walks equal to unclipped ones), rectangles, frames, and
// stretching bitmaps, in 24 and 1 bit.
#include "imaging/core/canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

constexpr TColor kRed = 0x0000FF;

// One character per pixel: '.' black, '#' white, 'r' red, '?' anything else.
std::vector<std::string> Picture(const TBitmap& b) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < b.Width(); ++x) {
      TColor c = TRGB2TColor(b.GetPixel(x, y));
      row += c == clBlack ? '.' : c == clWhite ? '#' : c == kRed ? 'r' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// The pixels of `b` inside the rectangle, as a bitmap of its own.
TBitmap Crop(const TBitmap& b, int32_t left, int32_t top, int32_t width, int32_t height) {
  TBitmap out(width, height, b.PixelFormat());
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) out.SetPixel(x, y, b.GetPixel(left + x, top + y));
  return out;
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b) {
  kxtest::TDiff d = kxtest::Compare(a, b);
  EXPECT_TRUE(d.sameSize);
  EXPECT_EQ(d.pixels, 0);
}

}  // namespace

TEST(Canvas, FillRectIsClippedToTheBitmap) {
  struct Case {
    TRect r;
    int32_t left, top, right, bottom;  // the part expected to be filled
  };
  const Case cases[] = {
      {Rect(1, 2, 4, 3), 1, 2, 4, 3},      {Rect(-3, -2, 2, 1), 0, 0, 2, 1},
      {Rect(4, 3, 100, 100), 4, 3, 6, 5},  {Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 0, 0, 6, 5},
      {Rect(3, 1, 3, 4), 0, 0, 0, 0},       // empty
      {Rect(4, 4, 1, 1), 0, 0, 0, 0},       // inverted
      {Rect(-10, -10, -1, 3), 0, 0, 0, 0},  // outside
  };
  for (const Case& c : cases) {
    TBitmap b(6, 5, pf24bit);
    b.Canvas().Brush.Color = clWhite;
    b.Canvas().FillRect(c.r);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 6; ++x) {
        bool in = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
        EXPECT_EQ(b.GetPixel(x, y), in ? CreateRGB(255, 255, 255) : TRGB{}) << c.r.Left << "," << c.r.Top;
      }
  }
}

TEST(Canvas, BrushStylesAndSystemColours) {
  TBitmap b(9, 9, pf24bit);
  TCanvas& c = b.Canvas();
  c.Brush.Style = bsClear;
  c.FillRect(Rect(0, 0, 9, 9));
  EXPECT_EQ(Picture(b), std::vector<std::string>(9, "........."));
  c.Brush.Style = bsCross;
  c.Brush.Color = clWhite;
  c.FillRect(Rect(0, 0, 9, 9));
  EXPECT_EQ(Picture(b)[0], "#########");
  EXPECT_EQ(Picture(b)[1], "#.......#");
  EXPECT_EQ(Picture(b)[8], "#########");
  c.Brush.Style = bsSolid;
  c.Brush.Color = clBtnFace;
  c.FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(b.GetPixel(0, 0), TColor2TRGB(clBtnFace));
  c.SetPixel(1, 1, kRed);
  EXPECT_EQ(c.Pixel(1, 1), kRed);
  EXPECT_EQ(c.Pixel(-1, 0), clNone);
  EXPECT_EQ(c.Pixel(9, 0), clNone);
}

TEST(Canvas, LineToExcludesItsEndPoint) {
  TBitmap b(7, 4, pf24bit);
  TCanvas& c = b.Canvas();
  c.Pen.Color = clWhite;
  c.MoveTo(0, 0);
  c.LineTo(6, 3);
  EXPECT_EQ(c.PenPos(), (TPoint{6, 3}));
  c.MoveTo(6, 0);
  c.LineTo(6, 2);
  c.MoveTo(3, 3);
  c.LineTo(3, 3);                                             // zero length: nothing
  EXPECT_EQ(Picture(b), (std::vector<std::string>{"#.....#",  //
                                                  ".##...#",  //
                                                  "...##..",  //
                                                  ".....#."}));
}

TEST(Canvas, LinePixelsStayWithinHalfAPixelOfTheIdealLine) {
  struct Case {
    int32_t x0, y0, x1, y1;
  };
  for (Case l : {Case{0, 0, 37, 11}, Case{36, 2, 1, 30}, Case{5, 39, 30, 0}, Case{39, 39, 0, 0}, Case{0, 20, 39, 21}}) {
    TBitmap b(40, 40, pf24bit);
    b.Canvas().Pen.Color = clWhite;
    b.Canvas().MoveTo(l.x0, l.y0);
    b.Canvas().LineTo(l.x1, l.y1);
    const double dx = l.x1 - l.x0, dy = l.y1 - l.y0;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    int count = 0;
    for (int32_t y = 0; y < 40; ++y)
      for (int32_t x = 0; x < 40; ++x) {
        if (b.GetPixel(x, y) != CreateRGB(255, 255, 255)) continue;
        ++count;
        double off = xMajor ? l.y0 + (x - l.x0) * dy / dx - y : l.x0 + (y - l.y0) * dx / dy - x;
        EXPECT_LE(std::abs(off), 0.5) << x << "," << y;
      }
    EXPECT_EQ(count, int(std::max(std::abs(dx), std::abs(dy))));
    EXPECT_NE(b.GetPixel(l.x0, l.y0), TRGB{});
    EXPECT_EQ(b.GetPixel(l.x1, l.y1), TRGB{});
  }
}

// A line that starts and ends far outside must draw exactly the pixels that the whole line
// draws where the bitmap is, pen width and dash phase included.
TEST(Canvas, ClippedLinesMatchTheWholeLine) {
  struct Case {
    int32_t x0, y0, x1, y1, width;
    TPenStyle style;
  };
  const Case cases[] = {{-900, -400, 900, 430, 1, psSolid},
                        {700, -800, -680, 820, 1, psDash},
                        {-500, 3, 800, 9, 3, psSolid},
                        {10, -700, 4, 900, 4, psDashDot},
                        {-800, 800, 820, -790, 1, psDot}};
  for (const Case& l : cases) {
    // The big bitmap holds the whole line; the small one sees the window at (950, 950).
    TBitmap big(1900, 1900, pf24bit), small(24, 20, pf24bit);
    for (auto [bmp, shift] : {std::pair{&big, 950}, std::pair{&small, 0}}) {
      TCanvas& c = bmp->Canvas();
      c.Pen.Color = clWhite;
      c.Pen.Width = l.width;
      c.Pen.Style = l.style;
      c.MoveTo(l.x0 + shift, l.y0 + shift);
      c.LineTo(l.x1 + shift, l.y1 + shift);
    }
    TBitmap window = Crop(big, 950, 950, 24, 20);
    ExpectSamePixels(small, window);
    int lit = 0;
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 24; ++x) lit += small.GetPixel(x, y) != TRGB{};
    EXPECT_GT(lit, 0) << l.x0;
  }
}

TEST(Canvas, LinesWithExtremeEndsFinishAndDrawTheVisiblePart) {
  TBitmap b(8, 8, pf24bit);
  TCanvas& c = b.Canvas();
  c.Pen.Color = clWhite;
  c.MoveTo(INT32_MIN, INT32_MIN);
  c.LineTo(INT32_MAX, INT32_MAX);
  c.MoveTo(INT32_MIN, 6);
  c.LineTo(INT32_MAX, 6);
  c.Pen.Width = 3;
  c.MoveTo(INT32_MAX, INT32_MIN);
  c.LineTo(INT32_MAX - 1, INT32_MAX);  // far right of the bitmap: nothing visible
  EXPECT_EQ(Picture(b), (std::vector<std::string>{"#.......", ".#......", "..#.....", "...#....", "....#...",
                                                  ".....#..", "########", ".......#"}));
}

TEST(Canvas, RectangleAndFrameRect) {
  TBitmap b(7, 6, pf24bit);
  TCanvas& c = b.Canvas();
  c.Brush.Color = kRed;
  c.Pen.Color = clWhite;
  c.Rectangle(Rect(1, 1, 6, 5));
  EXPECT_EQ(Picture(b), (std::vector<std::string>{".......", ".#####.", ".#rrr#.", ".#rrr#.", ".#####.", "......."}));
  EXPECT_EQ(c.PenPos(), (TPoint{0, 0}));

  c.Brush.Style = bsClear;
  c.Pen.Color = kRed;
  c.Rectangle(Rect(0, 0, 3, 3));
  EXPECT_EQ(Picture(b)[1], "r#r###.");

  TBitmap f(6, 5, pf24bit);
  f.Canvas().Brush.Color = clWhite;
  f.Canvas().FrameRect(Rect(1, 1, 5, 4));
  f.Canvas().FrameRect(Rect(INT32_MIN, -5, 1, INT32_MAX));  // only its right column shows
  EXPECT_EQ(Picture(f), (std::vector<std::string>{"#.....", "#####.", "##..#.", "#####.", "#....."}));
}

TEST(Canvas, XorRectangleDrawnTwiceRestoresThePicture) {
  TBitmap b = kxtest::MakePicture(12, 9);
  const TBitmap before = b;
  TCanvas& c = b.Canvas();
  c.Brush.Style = bsClear;
  c.Pen.Mode = pmXor;
  c.Pen.Color = clWhite;
  for (TRect r : {Rect(2, 1, 10, 8), Rect(-3, -3, 4, 20), Rect(5, 5, 6, 7)}) {
    c.Rectangle(r);
    EXPECT_GT(kxtest::Compare(b, before).pixels, 0);
    c.Rectangle(r);
    ExpectSamePixels(b, before);
  }
}

TEST(Canvas, StretchDrawMapsEachPixelCentreToTheSource) {
  TBitmap src(3, 2, pf24bit);
  src.SetPixel(0, 0, CreateRGB(255, 255, 255));
  src.SetPixel(2, 0, CreateRGB(255, 0, 0));
  src.SetPixel(1, 1, CreateRGB(255, 0, 0));
  TBitmap up(6, 4, pf24bit);
  up.Canvas().StretchDraw(Rect(0, 0, 6, 4), src);
  EXPECT_EQ(Picture(up), (std::vector<std::string>{"##..rr", "##..rr", "..rr..", "..rr.."}));
  TBitmap down(2, 1, pf24bit);
  down.Canvas().StretchDraw(Rect(0, 0, 2, 1), Crop(src, 0, 0, 3, 1));  // centres 0.75 and 2.25 of 3
  EXPECT_EQ(Picture(down), (std::vector<std::string>{"#r"}));
  TBitmap none(2, 2, pf24bit);
  none.Canvas().StretchDraw(Rect(2, 0, 0, 2), src);
  EXPECT_EQ(Picture(none), (std::vector<std::string>{"..", ".."}));
}

TEST(Canvas, StretchDrawMatchesImageMagickSampling) {
  if (!kxtest::Have("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick missing";
  const TBitmap src = kxtest::MakePicture(13, 7, 4);
  const std::string in = kxtest::TempPath(".ppm");
  kxtest::WritePPM(in, src);
  struct Size {
    int32_t w, h;
  };
  for (Size s : {Size{29, 5}, Size{5, 17}, Size{13, 7}, Size{4, 3}, Size{40, 21}}) {
    const std::string out = kxtest::TempPath(".ppm");
    const std::string geometry = std::to_string(s.w) + "x" + std::to_string(s.h) + "!";
    ASSERT_EQ(kxtest::Run("/usr/bin/convert " + kxtest::Quote(in) + " -sample " + geometry + " " + kxtest::Quote(out)),
              0);
    TBitmap expected;
    ASSERT_TRUE(kxtest::ReadNetpbm(out, expected));
    TBitmap got(s.w, s.h, pf24bit);
    got.Canvas().StretchDraw(Rect(0, 0, s.w, s.h), src);
    ExpectSamePixels(got, expected);
  }
}

TEST(Canvas, ClippedAndPartialCopiesKeepTheMapping) {
  const TBitmap src = kxtest::MakePicture(5, 4, 2);
  TBitmap whole(16, 12, pf24bit);
  whole.Canvas().StretchDraw(Rect(0, 0, 16, 12), src);
  // The same stretch with the destination hanging off the top left corner.
  TBitmap part(9, 7, pf24bit);
  part.Canvas().StretchDraw(Rect(-7, -5, 9, 7), src);
  ExpectSamePixels(part, Crop(whole, 7, 5, 9, 7));
  // A source rectangle reaching past the source leaves those destination pixels alone.
  TBitmap d(4, 4, pf24bit);
  d.Canvas().CopyRect(Rect(0, 0, 4, 4), src, Rect(3, 2, 7, 6));
  ExpectSamePixels(Crop(d, 0, 0, 2, 2), Crop(src, 3, 2, 2, 2));
  EXPECT_EQ(Picture(Crop(d, 2, 0, 2, 4)), std::vector<std::string>(4, ".."));
  EXPECT_EQ(Picture(Crop(d, 0, 2, 4, 2)), std::vector<std::string>(2, "...."));
  // Draw is an unscaled copy, also when it overlaps itself.
  TBitmap self = kxtest::MakePicture(6, 6, 3);
  const TBitmap before = self;
  self.Canvas().Draw(2, 1, self);
  ExpectSamePixels(Crop(self, 2, 1, 4, 5), Crop(before, 0, 0, 4, 5));
  ExpectSamePixels(Crop(self, 0, 0, 2, 6), Crop(before, 0, 0, 2, 6));
  self.Canvas().Draw(INT32_MAX, INT32_MAX, before);
  self.Canvas().Draw(INT32_MIN, INT32_MIN, before);
}

TEST(Canvas, DrawingOnAOneBitBitmap) {
  TBitmap b(20, 3, pf1bit);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clWhite;
  c.FillRect(Rect(3, 0, 14, 1));
  EXPECT_EQ(b.ScanLine(0)[0], 0x1F);
  EXPECT_EQ(b.ScanLine(0)[1], 0xFC);
  EXPECT_EQ(b.ScanLine(0)[2], 0x00);
  c.Pen.Color = 0xC0C0C0;  // light gray is nearer to white
  c.MoveTo(0, 1);
  c.LineTo(9, 1);
  EXPECT_EQ(b.ScanLine(1)[0], 0xFF);
  EXPECT_EQ(b.ScanLine(1)[1], 0x80);
  c.Brush.Color = 0x404040;  // dark gray is nearer to black
  c.FillRect(Rect(4, 0, 6, 2));
  EXPECT_EQ(b.ScanLine(0)[0], 0x13);
  EXPECT_EQ(b.ScanLine(1)[0], 0xF3);

  TBitmap src(2, 1, pf24bit);
  src.SetPixel(1, 0, CreateRGB(255, 255, 255));
  c.StretchDraw(Rect(8, 2, 20, 3), src);
  EXPECT_EQ(b.ScanLine(2)[0], 0x00);
  EXPECT_EQ(b.ScanLine(2)[1], 0x03);
  EXPECT_EQ(b.ScanLine(2)[2] & 0xF0, 0xF0);
  TBitmap back(20, 3, pf24bit);
  back.Canvas().Draw(0, 0, b);
  EXPECT_EQ(Picture(back)[2], "..............######");
}
