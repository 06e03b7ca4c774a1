// The lens against its definition in angles: theta from the arcsine of the offset over the
// ray's length, phi from the arccosine of sin(theta) / ref, the offset moved by z tan(phi);
// computed on the offsets' magnitudes with the signs put back, so that both halves bend alike.
// Refraction 1 (and below it) is the identity; boxes reaching beyond the picture; progress by
// columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "imaging/proc/effects.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

double Bent(double v, double z, double ref) {
  const double theta = std::numbers::pi / 2 - std::asin(std::abs(v) / std::sqrt(v * v + z * z));
  const double phi = std::numbers::pi / 2 - theta - std::acos(std::sin(theta) / ref);
  const double moved = std::abs(v) - z * std::tan(phi);
  return v < 0 ? -moved : moved;
}

TBitmap Model(const TBitmap& picture, int32_t cx, int32_t cy, int32_t w, int32_t h, double refraction) {
  const int32_t W = picture.Width(), H = picture.Height();
  const int32_t left = std::clamp(cx - w / 2, 0, W - 1), top = std::clamp(cy - h / 2, 0, H - 1);
  const int32_t right = std::clamp(cx + w / 2, 0, W - 1), bottom = std::clamp(cy + h / 2, 0, H - 1);
  const int32_t bw = right - left, bh = bottom - top;
  const double a = bw / 2.0, b = bh / 2.0, ref = std::max(refraction, 1.0);
  TBitmap out = picture;
  for (int32_t k = 0; k < bw; ++k)
    for (int32_t i = 0; i < bh; ++i) {
      const double x = k - a + 0.5, y = b - i - 0.5;
      if (b * b - b * b * x * x / (a * a) <= y * y) continue;
      const double z = std::sqrt((1 - x * x / (a * a) - y * y / (b * b)) * std::min(a, b) * std::min(a, b));
      const int32_t sx = std::clamp(left + int32_t(std::trunc(Bent(x, z, ref) + a)), 0, W - 1);
      const int32_t sy = std::clamp(top + int32_t(std::trunc(b - Bent(y, z, ref))), 0, H - 1);
      out.SetPixel(left + k, top + i, picture.GetPixel(sx, sy));
    }
  return out;
}

}  // namespace

TEST(Lens, MatchesTheDefinitionInAngles) {
  const TBitmap picture = kxtest::CoordinatePicture(41, 33);
  const struct {
    int32_t x, y, w, h;
    double refraction;
  } cases[] = {
      {20, 16, 30, 24, 1.5}, {20, 16, 31, 25, 2},   {20, 16, 40, 32, 3.5}, {10, 8, 12, 30, 1.2},
      {0, 0, 30, 30, 2},     {40, 30, 21, 17, 1.8}, {20, 16, 5, 5, 9},
  };
  for (const auto& c : cases) {
    TBitmap result = picture;
    _lens(result, c.x, c.y, c.w, c.h, c.refraction, NullProgress());
    const kxtest::TDiff diff = kxtest::Compare(result, Model(picture, c.x, c.y, c.w, c.h, c.refraction));
    EXPECT_EQ(diff.pixels, 0) << c.x << "," << c.y << " " << c.w << " x " << c.h << " refraction " << c.refraction;
    EXPECT_FALSE(kxtest::SameBitmap(result, picture)) << "the lens moves pixels";
  }
}

TEST(Lens, RefractionOneOrBelowLeavesEveryPixelInPlace) {
  const TBitmap picture = kxtest::MakePicture(37, 29, 3);
  for (const double refraction : {1.0, 0.5, -3.0, 0.0, std::numeric_limits<double>::quiet_NaN()})
    for (const auto& [w, h] : {std::pair{30, 20}, std::pair{21, 27}, std::pair{36, 28}, std::pair{7, 6}}) {
      TBitmap result = picture;
      _lens(result, 18, 14, w, h, refraction, NullProgress());
      EXPECT_TRUE(kxtest::SameBitmap(result, picture)) << refraction << " " << w << " x " << h;
    }
}

TEST(Lens, StrongRefractionStaysInsideThePicture) {
  TBitmap picture = kxtest::MakePicture(20, 20, 5);
  _lens(picture, 10, 10, 20, 20, 1e300, NullProgress());
  _lens(picture, 10, 10, 20, 20, std::numeric_limits<double>::infinity(), NullProgress());
  _lens(picture, -2000000000, 2000000000, 2147483647, 2147483647, 2, NullProgress());
}

TEST(Lens, ReportsEachColumnOfTheBox) {
  TBitmap picture = kxtest::MakePicture(20, 20, 5);
  kxtest::TProgressLog log;
  TProgressRec progress;
  progress.fOnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  _lens(picture, 10, 10, 8, 16, 2, progress);  // a box 8 columns wide and 16 rows high
  EXPECT_EQ(log.values, (std::vector<int>{11, 23, 35, 47, 58, 70, 82, 94}));
}
