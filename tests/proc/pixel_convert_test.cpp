// Shared pixel conversions: the gray formula, 1-bit expansion and two-colour reduction,
// ordered dithering (a white page stays white), row depth changes with out-of-range indices
// and dirty destinations, palette search and channel swaps.
#include "imaging/proc/pixel_convert.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "imaging/proc/quantizer.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using kxtest::Filled;

bool Bit(const TBitmap& b, int32_t x, int32_t y) { return (b.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

TEST(PixelConvert, GrayWeightsAddUpTo99) {
  EXPECT_EQ(_RGBToGray(CreateRGB(255, 255, 255)), 252);
  EXPECT_EQ(_RGBToGray(CreateRGB(10, 200, 250)), 161);  // (210 + 14200 + 1750) div 100
  EXPECT_EQ(_RGBToGray(CreateRGB(255, 0, 0)), 53);
  EXPECT_EQ(_RGBToGray(CreateRGB(0, 0, 255)), 17);
  EXPECT_EQ(_RGBToGray(CreateRGB(0, 0, 0)), 0);
}

TEST(PixelConvert, OneBitExpandsMostSignificantFirstIgnoringColourTable) {
  TBitmap mono(11, 2, pf1bit);
  mono.SetPalette({CreateRGB(10, 20, 30), CreateRGB(40, 50, 60)});
  mono.ScanLine(0)[0] = 0xA5, mono.ScanLine(0)[1] = 0xC0;
  mono.ScanLine(1)[0] = 0xFF, mono.ScanLine(1)[1] = 0xFF;
  TBitmap out(3, 3);
  TProgressRec progress = NullProgress();
  _Conv1to24(mono, out, progress);
  ASSERT_EQ(out.BitCount(), 24);
  ASSERT_EQ(out.Width(), 11);
  ASSERT_EQ(out.Height(), 2);
  const bool expect[11] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0};
  for (int32_t x = 0; x < 11; ++x) {
    const uint8_t v = expect[x] ? 255 : 0;
    EXPECT_EQ(out.GetPixel(x, 0), CreateRGB(v, v, v)) << x;
    EXPECT_EQ(out.GetPixel(x, 1), CreateRGB(255, 255, 255)) << x;
  }
  EXPECT_EQ(C1TO24[0x80][0], 255);
  EXPECT_EQ(C1TO24[0x80][3], 0);
}

TEST(PixelConvert, ConvertTo1bitNeedsExactlyTwoColoursAndPutsTheDarkerAtZero) {
  TBitmap three = Filled(4, 2, CreateRGB(0, 0, 0));
  three.SetPixel(1, 0, CreateRGB(255, 255, 255));
  three.SetPixel(3, 1, CreateRGB(1, 2, 3));
  TRGB c1, c2;
  EXPECT_EQ(_ConvertTo1bit(three, c1, c2), nullptr);
  EXPECT_EQ(_ConvertTo1bit(Filled(4, 2, CreateRGB(9, 9, 9)), c1, c2), nullptr);

  TBitmap bw = Filled(10, 2, CreateRGB(255, 255, 255));
  bw.SetPixel(3, 0, CreateRGB(0, 0, 0));
  bw.SetPixel(9, 1, CreateRGB(0, 0, 0));
  auto mono = _ConvertTo1bit(bw, c1, c2);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->BitCount(), 1);
  EXPECT_EQ(c1, CreateRGB(0, 0, 0));
  EXPECT_EQ(c2, CreateRGB(255, 255, 255));
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(Bit(*mono, x, y), !(bw.GetPixel(x, y) == c1)) << x << "," << y;

  // Already darker first: no swap.
  TBitmap dark = Filled(3, 1, CreateRGB(0, 0, 200));
  dark.SetPixel(2, 0, CreateRGB(250, 0, 0));
  mono = _ConvertTo1bit(dark, c1, c2);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(c1, CreateRGB(0, 0, 200));
  EXPECT_EQ(mono->ScanLine(0)[0] & 0xE0, 0x20);
}

TEST(PixelConvert, OrderedDitherKeepsWhitePagesWhiteAndFollowsTheMatrix) {
  // Every colour of gray 252.
  for (TRGB white : {CreateRGB(255, 255, 255), CreateRGB(255, 255, 254), CreateRGB(254, 255, 255)}) {
    TBitmap page = Filled(19, 17, white);
    TProgressRec progress = NullProgress();
    _ConvertToBWOrdered(page, progress);
    ASSERT_EQ(page.BitCount(), 1);
    for (int32_t y = 0; y < 17; ++y)
      for (int32_t x = 0; x < 19; ++x) ASSERT_TRUE(Bit(page, x, y)) << int(white.b) << " at " << x << "," << y;
  }
  // Gray 251 (div 4 = 62) is not above the thresholds 62 and 63: black at (3, 4) and (7, 0) of
  // each tile.
  TBitmap nearly = Filled(16, 16, CreateRGB(254, 254, 254));
  TProgressRec progress = NullProgress();
  _ConvertToBWOrdered(nearly, progress);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x)
      EXPECT_EQ(Bit(nearly, x, y), !(x % 8 == 7 && y % 8 == 0) && !(x % 8 == 3 && y % 8 == 4)) << x << "," << y;
  TBitmap black = Filled(8, 8, CreateRGB(0, 0, 0));
  _ConvertToBWOrdered(black, progress);
  for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(black.ScanLine(y)[0], 0);

  // Pixel (1, 0) has threshold 48: gray 196 (div 4 = 49) is white, gray 192 (48) is black;
  // pixel (0, 1) has threshold 32.
  TBitmap grays(2, 2);
  grays.SetPixel(1, 0, CreateRGB(196, 196, 196));  // gray 194 -> 48: black
  grays.SetPixel(0, 1, CreateRGB(135, 135, 135));  // gray 133 -> 33 > 32: white
  grays.SetPixel(1, 1, CreateRGB(200, 200, 200));  // gray 198 -> 49 > threshold 16
  grays.SetPixel(0, 0, CreateRGB(3, 3, 3));        // gray 2 -> 0, not above 0
  _ConvertToBWOrdered(grays, progress);
  EXPECT_FALSE(Bit(grays, 0, 0));
  EXPECT_FALSE(Bit(grays, 1, 0));
  EXPECT_TRUE(Bit(grays, 0, 1));
  EXPECT_TRUE(Bit(grays, 1, 1));

  // Mid gray: half of each 8 x 8 tile (the 32 thresholds below 32) is white.
  TBitmap mid = Filled(8, 8, CreateRGB(130, 130, 130));  // gray 128 -> 32
  _ConvertToBWOrdered(mid, progress);
  int white = 0;
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) white += Bit(mid, x, y);
  EXPECT_EQ(white, 32);
}

TEST(PixelConvert, Negative1BitInvertsWholeRowsWithPadding) {
  TBitmap mono(10, 2, pf1bit);
  mono.ScanLine(0)[0] = 0x0F;
  _Negative1Bit(mono);
  EXPECT_EQ(mono.ScanLine(0)[0], 0xF0);
  for (int32_t i = 1; i < mono.RowLen(); ++i) EXPECT_EQ(mono.ScanLine(0)[i], 0xFF);
  EXPECT_EQ(mono.ScanLine(1)[3], 0xFF);
}

TEST(PixelConvert, SimilarColourIsNearestFirstOnTiesAndNoneForEmpty) {
  const TRGB pal[] = {CreateRGB(0, 0, 0), CreateRGB(100, 100, 100), CreateRGB(110, 90, 100), CreateRGB(255, 0, 0)};
  EXPECT_EQ(_GetSimilColor(pal, 4, CreateRGB(105, 95, 100)), 1);  // 10 from both: first
  EXPECT_EQ(_GetSimilColor(pal, 4, CreateRGB(200, 10, 0)), 3);
  EXPECT_EQ(_GetSimilColor(pal, 4, CreateRGB(3, 0, 0)), 0);
  EXPECT_EQ(_GetSimilColor(pal, 0, CreateRGB(3, 0, 0)), -1);
  EXPECT_EQ(_GetSimilColor(nullptr, 0, CreateRGB(3, 0, 0)), -1);
}

TEST(PixelConvert, ChannelSwapsAndDisplayPalette) {
  TRGB a[2] = {CreateRGB(1, 2, 3), CreateRGB(4, 5, 6)};
  _RGB2BGR(a, 2);
  EXPECT_EQ(a[0], CreateRGB(3, 2, 1));
  EXPECT_EQ(a[1], CreateRGB(6, 5, 4));
  TRGB b[2];
  _CopyBGR_RGB(b, a, 2);
  EXPECT_EQ(b[0], CreateRGB(1, 2, 3));
  EXPECT_EQ(a[0], CreateRGB(3, 2, 1));
  const TKXPalette p = _CreateWinPalette(a, 2);
  EXPECT_EQ(p.Version, 0x300);
  ASSERT_EQ(p.Entries.size(), 2u);
  EXPECT_EQ(p.Entries[1].Red, 6);
  EXPECT_EQ(p.Entries[1].Green, 5);
  EXPECT_EQ(p.Entries[1].Blue, 4);
  EXPECT_EQ(p.Entries[1].Flags, 0);
}

// Rows are swapped several pixels per step with a scalar tail: every length around the step
// size, in place and into another row, must swap each pixel and write no byte past the row.
TEST(PixelConvert, ChannelSwapsAtEveryRowLength) {
  for (int32_t count = 0; count <= 41; ++count) {
    std::vector<TRGB> source(size_t(count) + 1), copy(size_t(count) + 1, CreateRGB(7, 7, 7));
    for (int32_t i = 0; i <= count; ++i)
      source[size_t(i)] = CreateRGB(uint8_t(3 * i), uint8_t(3 * i + 1), uint8_t(3 * i + 2));
    std::vector<TRGB> inPlace = source;
    _CopyBGR_RGB(copy.data(), source.data(), count);
    _RGB2BGR(inPlace.data(), count);
    for (int32_t i = 0; i < count; ++i) {
      const TRGB expected = CreateRGB(source[size_t(i)].b, source[size_t(i)].g, source[size_t(i)].r);
      ASSERT_EQ(copy[size_t(i)], expected) << "count " << count << " pixel " << i;
      ASSERT_EQ(inPlace[size_t(i)], expected) << "count " << count << " pixel " << i;
    }
    EXPECT_EQ(copy[size_t(count)], CreateRGB(7, 7, 7)) << count;
    EXPECT_EQ(inPlace[size_t(count)], source[size_t(count)]) << count;
  }
}

// The gray of every 24-bit colour, 16 pixels a step with a pixel-by-pixel tail, equals the
// formula; rows of every length up to two steps and more leave the pixels past them alone.
TEST(PixelConvert, GrayRowsEqualTheFormulaForEveryColour) {
  std::vector<TRGB> all(size_t(1) << 24);
  for (size_t i = 0; i < all.size(); ++i) all[i] = CreateRGB(uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i));
  std::vector<TRGB> gray = all;
  KXGrayRow(gray.data(), int32_t(gray.size()));
  size_t wrong = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const uint8_t g = _RGBToGray(all[i]);
    wrong += !(gray[i] == CreateRGB(g, g, g));
  }
  EXPECT_EQ(wrong, 0u);
  for (int32_t count = 0; count <= 40; ++count) {
    std::vector<TRGB> row(all.begin() + 1000, all.begin() + 1000 + count + 1);
    KXGrayRow(row.data(), count);
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t g = _RGBToGray(all[size_t(1000 + i)]);
      ASSERT_EQ(row[size_t(i)], CreateRGB(g, g, g)) << count << " " << i;
    }
    EXPECT_EQ(row[size_t(count)], all[size_t(1000 + count)]) << count;
  }
}

struct TDepthCase {
  int32_t From, To, Width;
  std::vector<uint8_t> Source;
  std::vector<uint8_t> Expected;
};

TEST(PixelConvert, RowDepthChanges) {
  const std::vector<TRGB> palette = {CreateRGB(10, 20, 30), CreateRGB(40, 50, 60), CreateRGB(70, 80, 90)};
  const TDepthCase cases[] = {
      {1, 1, 9, {0xA5, 0x80}, {0xA5, 0x80}},
      {1, 4, 5, {0xA8}, {0x10, 0x10, 0x10}},
      {1, 8, 4, {0x60}, {0, 1, 1, 0}},
      {4, 8, 3, {0x2F, 0x10}, {2, 15, 1}},
      {4, 4, 3, {0x2F, 0x10}, {0x2F, 0x10}},
      // Indices 2 and beyond the palette's three entries: black, never read past it.
      {1, 24, 2, {0x40}, {30, 20, 10, 60, 50, 40}},
      {4, 24, 2, {0x2F}, {90, 80, 70, 0, 0, 0}},
      {8, 24, 2, {1, 200}, {60, 50, 40, 0, 0, 0}},
      // Only the low bit of each source byte counts.
      {8, 1, 9, {1, 2, 3, 0, 0, 0, 0, 1, 1}, {0xA1, 0x80}},
      {32, 24, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 5, 6, 7}},
      {24, 24, 1, {7, 8, 9}, {7, 8, 9}},
  };
  for (const TDepthCase& c : cases) {
    std::vector<uint8_t> dest(c.Expected.size() + 4, 0xEE);
    const int32_t length = _ConvertXBitsToYBits(c.Source.data(), dest.data(), c.From, c.To, c.Width, palette, nullptr);
    ASSERT_EQ(length, int32_t(c.Expected.size())) << c.From << "->" << c.To;
    EXPECT_EQ(std::vector<uint8_t>(dest.begin(), dest.begin() + length), c.Expected) << c.From << "->" << c.To;
    EXPECT_EQ(dest[size_t(length)], 0xEE) << c.From << "->" << c.To;
  }
  uint8_t untouched[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  const uint8_t src[4] = {1, 2, 3, 4};
  EXPECT_EQ(_ConvertXBitsToYBits(src, untouched, 8, 16, 2, palette, nullptr), 0);
  EXPECT_EQ(_ConvertXBitsToYBits(src, untouched, 4, 1, 2, palette, nullptr), 1);
  EXPECT_EQ(untouched[0], 0xEE);
}

TEST(PixelConvert, RowDepthFromTwentyFourBitsUsesTheQuantizer) {
  TBitmap two(2, 1);
  two.SetPixel(0, 0, CreateRGB(0, 0, 0));
  two.SetPixel(1, 0, CreateRGB(255, 255, 255));
  std::array<TRGB, 16> palette{};
  const TKXQuantizer q(two, palette, 16);
  const int32_t black = q.GetRGBIndex(CreateRGB(0, 0, 0)), white = q.GetRGBIndex(CreateRGB(255, 255, 255));
  ASSERT_NE(black, white);
  const uint8_t src[9] = {255, 255, 255, 0, 0, 0, 255, 255, 255};
  uint8_t d8[3];
  EXPECT_EQ(_ConvertXBitsToYBits(src, d8, 24, 8, 3, palette, &q), 3);
  EXPECT_EQ(d8[0], white);
  EXPECT_EQ(d8[1], black);
  uint8_t d4[2] = {0xFF, 0xFF};
  EXPECT_EQ(_ConvertXBitsToYBits(src, d4, 24, 4, 3, palette, &q), 2);
  EXPECT_EQ(d4[0], uint8_t(white << 4 | black));
  EXPECT_EQ(d4[1], uint8_t(white << 4));
}

}  // namespace
