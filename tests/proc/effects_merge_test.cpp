// Blending with another picture against the definition computed pixel by pixel: the other
// picture stretched over the rectangle by pixel centres, each channel the exact weighted mean
// rounded halves to even; weights at and beyond both ends, rectangles, and an empty other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/proc/effects.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

// s / d to the nearest integer, halves to even. The quotient of two exact doubles is rounded
// correctly, so a half comes out exactly and nothing else can reach one.
int64_t NearestEven(int64_t s, int64_t d) { return int64_t(std::nearbyint(double(s) / double(d))); }

TBitmap Model(const TBitmap& picture, const TBitmap& other, int64_t p, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  TBitmap out = picture;
  x2 = std::min(x2, picture.Width() - 1), y2 = std::min(y2, picture.Height() - 1);
  const int64_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x) {
      const int32_t ox = int32_t((2 * (x - x1) + 1) * other.Width() / (2 * w));
      const int32_t oy = int32_t((2 * (y - y1) + 1) * other.Height() / (2 * h));
      const TRGB c = picture.GetPixel(x, y), o = other.GetPixel(ox, oy);
      const auto mix = [&](uint8_t a, uint8_t b) {
        return uint8_t(std::clamp<int64_t>(NearestEven(a * p + b * (100 - p), 100), 0, 255));
      };
      out.SetPixel(x, y, CreateRGB(mix(c.r, o.r), mix(c.g, o.g), mix(c.b, o.b)));
    }
  return out;
}

}  // namespace

TEST(Merge, MatchesTheWeightedMeanOfTheStretchedOther) {
  const TBitmap picture = kxtest::MakePicture(23, 17, 2);
  const TBitmap others[] = {kxtest::MakePicture(23, 17, 5), kxtest::MakePicture(7, 40, 6),
                            kxtest::CoordinatePicture(3, 2)};
  const struct { int32_t x1, y1, x2, y2; } rects[] = {{0, 0, 22, 16}, {4, 3, 12, 9}, {20, 15, 40, 40}, {5, 5, 5, 5}};
  for (const TBitmap& other : others)
    for (const auto& r : rects)
      for (const int32_t p : {0, 1, 50, 99, 100, -30, 250}) {
        TBitmap result = picture;
        _Merge(result, other, p, r.x1, r.y1, r.x2, r.y2, NullProgress());
        ASSERT_TRUE(kxtest::SameBitmap(result, Model(picture, other, p, r.x1, r.y1, r.x2, r.y2)))
            << other.Width() << " x " << other.Height() << " at " << p << "% over " << r.x1 << "," << r.y1;
      }
}

TEST(Merge, EndsAndMiddleOfTheWeight) {
  const TBitmap picture = kxtest::MakePicture(9, 6, 3), other = kxtest::MakePicture(9, 6, 8);
  TBitmap kept = picture, replaced = picture, halves = kxtest::Filled(1, 1, CreateRGB(1, 2, 3));
  _Merge(kept, other, 100, 0, 0, 8, 5, NullProgress());
  EXPECT_TRUE(kxtest::SameBitmap(kept, picture));
  _Merge(replaced, other, 0, 0, 0, 8, 5, NullProgress());
  EXPECT_TRUE(kxtest::SameBitmap(replaced, other));
  // (1 + 0) / 2, (2 + 1) / 2 and (3 + 2) / 2 are halves: they go to the even neighbour.
  _Merge(halves, kxtest::Filled(1, 1, CreateRGB(0, 1, 2)), 50, 0, 0, 0, 0, NullProgress());
  EXPECT_EQ(halves.GetPixel(0, 0), CreateRGB(0, 2, 2));
}

TEST(Merge, EmptyOtherPictureChangesNothing) {
  TBitmap picture = kxtest::MakePicture(5, 5);
  const TBitmap original = picture;
  _Merge(picture, TBitmap(), 30, 0, 0, 4, 4, NullProgress());
  EXPECT_TRUE(kxtest::SameBitmap(picture, original));
}
