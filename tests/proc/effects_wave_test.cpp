// Concentric waves against their definition computed pixel by pixel: rows counted from the
// bottom, the centre and the aspect scales, the doubled wavelength, both kinds of wave, the
// bilinear read with pixels beyond the picture black (which one-pixel-wide and one-row pictures
// reach), and the arguments that change nothing; progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "imaging/proc/effects.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

TBitmap Model(const TBitmap& picture, int32_t amplitude, int32_t wavelength, int32_t phase, bool reflective) {
  const int32_t W = picture.Width(), H = picture.Height();
  // (x, j) with j counted from the bottom row; black beyond the picture.
  const auto at = [&](int32_t x, int32_t j, int c) -> double {
    if (x < 0 || x >= W || j < 0 || j >= H) return 0;
    const TRGB p = picture.GetPixel(x, H - 1 - j);
    return c == 0 ? p.b : c == 1 ? p.g : p.r;
  };
  const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0, hx = W / 2.0, hy = H / 2.0;
  double sx = 1, sy = 1;
  if (hx > hy) sy = hx / hy;
  if (hx < hy) sx = hy / hx;
  const double L = wavelength * 2.0, ph = phase * std::numbers::pi / 180;
  const auto frac = [](double v) { return v - std::trunc(v) < 0 ? v - std::trunc(v) + 1 : v - std::trunc(v); };
  TBitmap out = picture;
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const double dx = (x - cx) * sx, dy = (y - cy) * sy;
      const double s = std::sin(std::sqrt(dx * dx + dy * dy) / L * 2 * std::numbers::pi + ph);
      double nx, ny;
      if (reflective) {
        const double m = amplitude * std::abs(s);
        nx = cx + dx * m / sx, ny = cy + dy * m / sy;
      } else {
        const double m = amplitude * s;
        nx = (m + dx) / sx + cx, ny = (m + dy) / sy + cy;
      }
      const int32_t i = std::min(std::max(int32_t(std::trunc(nx)), 0), W - 2);
      const int32_t j = std::min(std::max(int32_t(std::trunc(ny)), 0), H - 2);
      const double fx = frac(nx), fy = frac(ny);
      uint8_t v[3];
      for (int c = 0; c < 3; ++c)
        v[c] = uint8_t(std::trunc((1 - fy) * ((1 - fx) * at(i, j, c) + fx * at(i + 1, j, c)) +
                                  fy * ((1 - fx) * at(i, j + 1, c) + fx * at(i + 1, j + 1, c))));
      out.SetPixel(x, H - 1 - y, CreateRGB(v[2], v[1], v[0]));
    }
  return out;
}

}  // namespace

TEST(Wave, MatchesTheDefinition) {
  const struct {
    int32_t w, h, amplitude, wavelength, phase;
    bool reflective;
  } cases[] = {
      {31, 23, 3, 5, 0, false},    {31, 23, 3, 5, 0, true},    {20, 30, 7, 3, 90, false}, {20, 30, 2, 4, 45, true},
      {16, 16, -4, 6, 180, false}, {25, 9, 5, -7, -30, false}, {1, 17, 3, 2, 0, false},   {1, 17, 2, 3, 60, true},
      {17, 1, 3, 2, 10, false},    {1, 1, 4, 4, 0, false},     {2, 2, 1, 1, 0, false},
  };
  for (const auto& c : cases) {
    const TBitmap picture = kxtest::MakePicture(c.w, c.h, uint32_t(c.w + c.h));
    TBitmap result = picture;
    _wave(result, c.amplitude, c.wavelength, c.phase, c.reflective, NullProgress());
    EXPECT_TRUE(kxtest::SameBitmap(result, Model(picture, c.amplitude, c.wavelength, c.phase, c.reflective)))
        << c.w << " x " << c.h << " amplitude " << c.amplitude << " wavelength " << c.wavelength
        << (c.reflective ? " reflective" : "");
  }
}

TEST(Wave, NoAmplitudeOrWavelengthChangesNothing) {
  for (const auto& [amplitude, wavelength] : {std::pair{0, 5}, std::pair{5, 0}}) {
    TBitmap picture = kxtest::MakePicture(9, 7);
    const TBitmap original = picture;
    _wave(picture, amplitude, wavelength, 30, false, NullProgress());
    EXPECT_TRUE(kxtest::SameBitmap(picture, original));
  }
}

TEST(Wave, ReportsEachRowFromZero) {
  TBitmap picture = kxtest::MakePicture(6, 4);
  kxtest::TProgressLog log;
  TProgressRec progress;
  progress.fOnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  _wave(picture, 2, 3, 0, false, progress);
  EXPECT_EQ(log.values, (std::vector<int>{0, 25, 50, 75}));
}
