// The strip copy of memory transfers: offsets, clamping to the bitmap, the buffer-length rule,
// bit offsets of 1-bit strips and the depths refused.
#include <gtest/gtest.h>

#include "imaging/core/bitmap.h"
#include "imaging/scan/twain_transfer.h"
#include "tests/support/test_support.h"

namespace {

using namespace kx;
using kxtest::Filled;

TW_IMAGEMEMXFER Strip(uint32_t columns, uint32_t rows, uint32_t x, uint32_t y, uint32_t bytesPerRow) {
  TW_IMAGEMEMXFER strip{};
  strip.Columns = columns;
  strip.Rows = rows;
  strip.XOffset = x;
  strip.YOffset = y;
  strip.BytesPerRow = bytesPerRow;
  return strip;
}

// The pixels of a 4 x 3 bitmap after one 8-bit gray strip, one letter per pixel: '.' untouched,
// otherwise the gray value's index (0-9) in the strip's bytes.
struct TClampCase {
  const char* name;
  TW_IMAGEMEMXFER strip;
  size_t length;
  bool ok;
  const char* rows[3];
};

TEST(TwainStrip, GrayStripsAreClampedToTheBitmap) {
  const TClampCase cases[] = {
      {"inside", Strip(2, 2, 1, 1, 2), 4, true, {"....", ".01.", ".23."}},
      {"columns beyond the width", Strip(5, 1, 2, 0, 5), 5, true, {"..01", "....", "...."}},
      {"rows beyond the height", Strip(1, 4, 0, 2, 1), 4, true, {"....", "....", "0..."}},
      {"x offset outside", Strip(1, 1, 4, 0, 1), 1, true, {"....", "....", "...."}},
      {"y offset outside", Strip(1, 1, 0, 3, 1), 1, true, {"....", "....", "...."}},
      {"more columns than a row holds", Strip(9, 1, 0, 0, 2), 2, true, {"01..", "....", "...."}},
      {"rows x bytes beyond the buffer", Strip(2, 2, 0, 0, 3), 5, false, {"....", "....", "...."}},
      {"offsets as don't-care", Strip(2, 1, TWON_DONTCARE32, TWON_DONTCARE32, 2), 2, true, {"....", "....", "...."}},
      {"huge rows", Strip(1, 0x80000000u, 0, 0, 2), 64, false, {"....", "....", "...."}},
  };
  const uint8_t bytes[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  for (const TClampCase& c : cases) {
    TBitmap bitmap = Filled(4, 3, TRGB{1, 1, 1});
    std::vector<uint8_t> buffer(bytes, bytes + std::min<size_t>(c.length, 10));
    buffer.resize(c.length);
    EXPECT_EQ(KXTWCopyStrip(bitmap, 8, c.strip, buffer.data(), buffer.size()), c.ok) << c.name;
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = 0; x < 4; ++x) {
        const char want = c.rows[y][x];
        const TRGB expected = want == '.'
                                  ? TRGB{1, 1, 1}
                                  : TRGB{uint8_t(10 + want - '0'), uint8_t(10 + want - '0'), uint8_t(10 + want - '0')};
        EXPECT_EQ(bitmap.GetPixel(x, y), expected) << c.name << " at " << x << "," << y;
      }
    }
  }
}

TEST(TwainStrip, OneBitStripsStartAtTheirBitAndKeepTheBitsAround) {
  TBitmap bitmap(12, 2, pf1bit);
  bitmap.ScanLine(0)[0] = 0xFF;
  bitmap.ScanLine(0)[1] = 0xFF;
  const uint8_t rows[] = {0x00, 0x00, 0xA0, 0x00};
  ASSERT_TRUE(KXTWCopyStrip(bitmap, 1, Strip(5, 2, 3, 0, 2), rows, sizeof rows));
  EXPECT_EQ(bitmap.ScanLine(0)[0], 0xE0);  // bits 0-2 kept, 3-7 cleared
  EXPECT_EQ(bitmap.ScanLine(0)[1], 0xFF);  // beyond the five columns: kept
  EXPECT_EQ(bitmap.ScanLine(1)[0], 0x14);  // 1 0 1 0 0 from bit 3
}

TEST(TwainStrip, RgbIsTurnedIntoTheBitmapsOrder) {
  TBitmap bitmap(2, 1, pf24bit);
  const uint8_t row[] = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(KXTWCopyStrip(bitmap, 24, Strip(2, 1, 0, 0, 6), row, sizeof row));
  EXPECT_EQ(bitmap.GetPixel(0, 0), (TRGB{3, 2, 1}));
  EXPECT_EQ(bitmap.GetPixel(1, 0), (TRGB{6, 5, 4}));
}

TEST(TwainStrip, DepthsNotCopiedAndMismatchedBitmapsAreRefused) {
  const uint8_t row[16] = {0xFF, 0xFF, 0xFF, 0xFF};
  struct {
    int32_t bits;
    TPixelFormat format;
  } cases[] = {{4, pf24bit}, {32, pf24bit}, {2, pf24bit}, {0, pf24bit}, {8, pf1bit}, {1, pf24bit}, {24, pf8bit}};
  for (const auto& c : cases) {
    TBitmap bitmap(2, 1, c.format);
    const TBitmap before = bitmap;
    EXPECT_FALSE(KXTWCopyStrip(bitmap, c.bits, Strip(2, 1, 0, 0, 16), row, sizeof row)) << c.bits;
    EXPECT_TRUE(kxtest::SameBitmap(bitmap, before)) << c.bits;
  }
}

}  // namespace
