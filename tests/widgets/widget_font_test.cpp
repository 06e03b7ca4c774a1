// The widgets' pixel font: glyph pixels, enlargement and the two turns.
#include "imaging/widgets/widget_font.h"

#include <gtest/gtest.h>

#include "imaging/core/canvas.h"
#include "tests/support/test_support.h"
#include "tests/widgets/widget_shots.h"

using namespace kx;

namespace {

const std::map<TColor, char> kLegend{{clWhite, '.'}, {clBlack, '#'}};

TBitmap Written(int32_t width, int32_t height, const TWidgetFont& font, const char* text, TTextTurn turn = ttNone,
                int32_t x = 0, int32_t y = 0) {
  TBitmap bitmap = kxtest::Filled(width, height, TRGB{255, 255, 255});
  KXTextOut(bitmap, font, x, y, text, turn);
  return bitmap;
}

}  // namespace

TEST(WidgetFont, WritesGlyphPixelsOnly) {
  const TWidgetFont font{clBlack, 1};
  EXPECT_EQ(KXFontHeight(font), 9);
  EXPECT_EQ(KXTextWidth(font, "-1F"), 18);
  EXPECT_EQ(kxtest::TextShot(Written(18, 9, font, "-1F"), kLegend),
            "..................\n"
            "........#...#####.\n"
            ".......##...#.....\n"
            "........#...#.....\n"
            "#####...#...####..\n"
            "........#...#.....\n"
            "........#...#.....\n"
            ".......###..#.....\n"
            "..................\n");
  // Characters without a glyph advance like a space; clipping keeps to the bitmap.
  EXPECT_TRUE(kxtest::SameBitmap(Written(18, 9, font, "-x"), Written(18, 9, font, "-")));
  Written(4, 4, font, "8888", ttNone, -10, -3);
}

TEST(WidgetFont, EnlargesAndTurns) {
  const TWidgetFont font{clBlack, 1}, twice{clBlack, 2};
  EXPECT_EQ(KXFontHeight(twice), 18);
  TBitmap small = Written(12, 9, font, "7."), big = Written(24, 18, twice, "7.");
  for (int32_t y = 0; y < 18; ++y)
    for (int32_t x = 0; x < 24; ++x) ASSERT_EQ(big.Canvas().Pixel(x, y), small.Canvas().Pixel(x / 2, y / 2));
  // Against the clock the text's first column becomes the box's bottom row; with the clock its
  // first row becomes the box's right column.
  TBitmap ccw = Written(9, 12, font, "7.", ttCounterClockwise), cw = Written(9, 12, font, "7.", ttClockwise);
  for (int32_t v = 0; v < 9; ++v)
    for (int32_t u = 0; u < 12; ++u) {
      ASSERT_EQ(ccw.Canvas().Pixel(v, 11 - u), small.Canvas().Pixel(u, v));
      ASSERT_EQ(cw.Canvas().Pixel(8 - v, u), small.Canvas().Pixel(u, v));
    }
  // Scales beyond 1..8 count as the nearest.
  EXPECT_EQ(KXFontHeight(TWidgetFont{clBlack, 0}), 9);
  EXPECT_EQ(KXFontHeight(TWidgetFont{clBlack, 1000}), 72);
}
