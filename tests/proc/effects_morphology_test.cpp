// Gray-ranked morphology against the window search as it is defined: for every pixel, rows
// outer and columns inner, the first position strictly better than the best so far, the pixel
// itself when none is. Pictures of few gray levels in many colours make every tie count; the
// radius goes beyond the rectangle; the small shapes of the definition's examples; progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "imaging/proc/morphology.h"
#include "imaging/proc/pixel_convert.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

// One pass of the search over the rectangle, from a copy of it.
void ModelPass(TBitmap& b, int32_t r, bool maximum, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const TBitmap before = b;
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x) {
      int best = maximum ? 0 : 255;
      TRGB chosen = before.GetPixel(x, y);
      for (int32_t dy = -r; dy <= r; ++dy)
        for (int32_t dx = -r; dx <= r; ++dx) {
          const int32_t sx = std::clamp(x + dx, x1, x2), sy = std::clamp(y + dy, y1, y2);
          const TRGB c = before.GetPixel(sx, sy);
          const int gray = (21 * c.r + 71 * c.g + 7 * c.b) / 100;
          if (maximum ? gray > best : gray < best) best = gray, chosen = c;
        }
      b.SetPixel(x, y, chosen);
    }
}

TBitmap Model(TBitmap b, int32_t r, TKXMorphKind kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (r < 0) return b;
  x2 = std::min(x2, b.Width() - 1), y2 = std::min(y2, b.Height() - 1);
  const bool first = kind == mkMaximum || kind == mkClosing;
  ModelPass(b, r, first, x1, y1, x2, y2);
  if (kind == mkOpening || kind == mkClosing) ModelPass(b, r, !first, x1, y1, x2, y2);
  return b;
}

// Colours drawn from a few that share gray levels: 0 (black and dark blues), 255 (white and
// near-whites) and two middle levels, so that most windows hold ties.
TBitmap TiedPicture(int32_t w, int32_t h, uint32_t seed) {
  const TRGB palette[] = {CreateRGB(0, 0, 0),       CreateRGB(0, 0, 14),      CreateRGB(1, 0, 0),
                          CreateRGB(255, 255, 255), CreateRGB(254, 255, 255), CreateRGB(100, 100, 100),
                          CreateRGB(100, 100, 101), CreateRGB(0, 141, 0),     CreateRGB(200, 60, 9)};
  std::mt19937 random(seed);
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, palette[random() % std::size(palette)]);
  return b;
}

}  // namespace

TEST(Morphology, PalettePicksItsGrayLevels) {
  // The ties above rest on these levels.
  EXPECT_EQ(_RGBToGray(CreateRGB(0, 0, 14)), 0);
  EXPECT_EQ(_RGBToGray(CreateRGB(1, 0, 0)), 0);
  EXPECT_EQ(_RGBToGray(CreateRGB(254, 255, 255)), _RGBToGray(CreateRGB(255, 255, 255)));
  EXPECT_EQ(_RGBToGray(CreateRGB(100, 100, 101)), _RGBToGray(CreateRGB(100, 100, 100)));
}

TEST(Morphology, EveryKindMatchesTheWindowSearch) {
  const struct {
    int32_t w, h, r, x1, y1, x2, y2;
  } cases[] = {
      {13, 11, 0, 0, 0, 12, 10}, {13, 11, 1, 0, 0, 12, 10},  {13, 11, 2, 0, 0, 12, 10},
      {13, 11, 3, 2, 1, 9, 8},   {13, 11, 10, 0, 0, 12, 10}, {13, 11, 40, 3, 2, 11, 9},
      {1, 9, 2, 0, 0, 0, 8},     {9, 1, 3, 0, 0, 8, 0},      {70, 9, 4, 1, 1, 68, 7},  // 70: two column strips
      {20, 17, 5, 4, 3, 30, 40},  // a rectangle reaching beyond the picture
      {8, 8, -1, 0, 0, 7, 7},    {20, 17, 1, 4, 3, 30, 40},  {13, 11, 2, 2, 1, 9, 8},
      {9, 1, 2, 0, 0, 8, 0},     {2, 2, 1, 0, 0, 1, 1},      {3, 2, 2, 0, 0, 2, 1},
  };
  for (const auto& c : cases)
    for (const TKXMorphKind kind : {mkMaximum, mkMinimum, mkOpening, mkClosing}) {
      const TBitmap picture = TiedPicture(c.w, c.h, uint32_t(c.w * 100 + c.r));
      TBitmap result = picture;
      _MorphFilter(result, c.r, kind, c.x1, c.y1, c.x2, c.y2, NullProgress());
      EXPECT_TRUE(kxtest::SameBitmap(result, Model(picture, c.r, kind, c.x1, c.y1, c.x2, c.y2)))
          << c.w << " x " << c.h << " radius " << c.r << " kind " << int(kind);
    }
  // A photo, where levels rarely tie.
  const TBitmap photo = kxtest::MakePicture(37, 29, 4);
  for (const int32_t r : {1, 3, 6}) {
    TBitmap result = photo;
    _MorphFilter(result, r, mkClosing, 0, 0, 36, 28, NullProgress());
    EXPECT_TRUE(kxtest::SameBitmap(result, Model(photo, r, mkClosing, 0, 0, 36, 28))) << r;
  }
}

TEST(Morphology, SmallShapes) {
  const TRGB white = CreateRGB(255, 255, 255), black = CreateRGB(0, 0, 0);
  TBitmap dot = kxtest::Filled(7, 7, black);
  dot.SetPixel(3, 3, white);
  TBitmap hole = kxtest::Filled(7, 7, white);
  hole.SetPixel(3, 3, black);

  TBitmap grown = dot;
  _MorphFilter(grown, 1, mkMaximum, 0, 0, 6, 6, NullProgress());
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 7; ++x)
      EXPECT_EQ(grown.GetPixel(x, y), std::abs(x - 3) <= 1 && std::abs(y - 3) <= 1 ? white : black);
  TBitmap opened = dot, closed = hole, same = dot;
  _MorphFilter(opened, 1, mkOpening, 0, 0, 6, 6, NullProgress());
  EXPECT_TRUE(kxtest::SameBitmap(opened, kxtest::Filled(7, 7, black)));
  _MorphFilter(closed, 1, mkClosing, 0, 0, 6, 6, NullProgress());
  EXPECT_TRUE(kxtest::SameBitmap(closed, kxtest::Filled(7, 7, white)));
  _MorphFilter(same, 0, mkMaximum, 0, 0, 6, 6, NullProgress());
  EXPECT_TRUE(kxtest::SameBitmap(same, dot));
}

TEST(Morphology, ProgressCoversBothPassesOfTheTwoPassKinds) {
  TBitmap picture = TiedPicture(5, 4, 1);
  kxtest::TProgressLog log;
  TProgressRec progress;
  progress.fOnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  _MorphFilter(picture, 1, mkOpening, 0, 0, 4, 3, progress);
  // Rows 1..8 of 4 + 4, each Trunc(done x 100 / 3.5 / 2), at most 100.
  EXPECT_EQ(log.values, (std::vector<int>{14, 28, 42, 57, 71, 85, 100, 100}));
  log.values.clear();
  _MorphFilter(picture, 1, mkMaximum, 0, 0, 4, 3, progress);
  EXPECT_EQ(log.values, (std::vector<int>{28, 57, 85, 100}));
}
