// Bump mapping against its definition computed pixel by pixel: the light disc's table, the
// relief's slopes kept inside the rectangle on every side (the top row included), the place of
// the light, and the exact blend rounded halves to even; a flat picture's bright disc; a light
// of width 0; progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "imaging/proc/effects.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

int Gray(TRGB c) { return (21 * c.r + 71 * c.g + 7 * c.b) / 100; }

int Light(int i, int j) {
  const double nx = (i - 128) / 128.0, ny = (j - 128) / 128.0;
  const double v = std::max(0.0, 1 - std::sqrt(nx * nx + ny * ny));
  return std::min(255, int(v * 256));
}

// s / d to the nearest integer, halves to even. The quotient of two exact doubles is rounded
// correctly, so a half comes out exactly and nothing else can reach one.
int64_t NearestEven(int64_t s, int64_t d) { return int64_t(std::nearbyint(double(s) / double(d))); }

TBitmap Model(const TBitmap& picture, int32_t lx, int32_t ly, int32_t lw, int32_t lh, int64_t p, TRGB k, int32_t x1,
              int32_t y1, int32_t x2, int32_t y2) {
  TBitmap out = picture;
  x2 = std::min(x2, picture.Width() - 1), y2 = std::min(y2, picture.Height() - 1);
  const auto height = [&](int32_t x, int32_t y) { return Gray(picture.GetPixel(x, y)); };
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x) {
      const int dx = height(std::min(x + 1, x2), y) - height(std::max(x - 1, x1), y);
      const int dy = height(x, std::min(y + 1, y2)) - height(x, std::max(y - 1, y1));
      const double tx = std::trunc(double(x - lx) / lw * 128), ty = std::trunc(double(y - ly) / lh * 128);
      const int i = int(std::clamp(dx - tx + 128, 0.0, 255.0)), j = int(std::clamp(dy - ty + 128, 0.0, 255.0));
      const int64_t l = Light(i, j);
      const TRGB c = picture.GetPixel(x, y);
      const auto mix = [&](uint8_t v, uint8_t kk) {
        return uint8_t(std::clamp<int64_t>(NearestEven(v * p * 255 + l * (100 - p) * kk, 25500), 0, 255));
      };
      out.SetPixel(x, y, CreateRGB(mix(c.r, k.r), mix(c.g, k.g), mix(c.b, k.b)));
    }
  return out;
}

}  // namespace

TEST(BumpMapping, MatchesTheDefinition) {
  const TBitmap picture = kxtest::MakePicture(31, 23, 7);
  const struct {
    int32_t lx, ly, lw, lh, p;
    TRGB color;
    int32_t x1, y1, x2, y2;
  } cases[] = {
      {15, 11, 20, 20, 0, CreateRGB(255, 255, 255), 0, 0, 30, 22},
      {15, 11, 20, 20, 30, CreateRGB(255, 200, 10), 0, 0, 30, 22},
      {0, 0, 8, 30, 70, CreateRGB(90, 255, 255), 3, 4, 20, 15},
      {40, -5, -12, 9, 50, CreateRGB(255, 255, 255), 5, 6, 30, 22},  // a negative size mirrors the light
      {10, 10, 1, 1, 0, CreateRGB(255, 255, 255), 0, 0, 30, 22},     // a tiny light: the slope alone
      {12, 8, 2000000000, 5, 100, CreateRGB(255, 0, 0), 2, 2, 40, 40},
      {-2000000000, 8, 3, 5, 20, CreateRGB(0, 0, 255), 0, 0, 30, 22},
      {15, 11, 20, 20, 130, CreateRGB(255, 255, 255), 0, 0, 30, 22},
      {15, 11, 20, 20, -40, CreateRGB(255, 255, 255), 0, 0, 30, 22},
  };
  for (const auto& c : cases) {
    TBitmap result = picture;
    _BumpMapping(result, c.lx, c.ly, c.lw, c.lh, c.p, c.color, c.x1, c.y1, c.x2, c.y2, NullProgress());
    EXPECT_TRUE(
        kxtest::SameBitmap(result, Model(picture, c.lx, c.ly, c.lw, c.lh, c.p, c.color, c.x1, c.y1, c.x2, c.y2)))
        << "light " << c.lx << "," << c.ly << " " << c.lw << " x " << c.lh << " at " << c.p << "%";
  }
}

TEST(BumpMapping, FlatPictureShowsABrightDiscAroundTheLight) {
  TBitmap picture = kxtest::Uniform(41, 41, 90);
  _BumpMapping(picture, 20, 20, 20, 20, 0, CreateRGB(255, 255, 255), 0, 0, 40, 40, NullProgress());
  EXPECT_EQ(picture.GetPixel(20, 20), CreateRGB(255, 255, 255));
  EXPECT_EQ(picture.GetPixel(0, 0), CreateRGB(0, 0, 0));
  EXPECT_EQ(picture.GetPixel(20, 0), CreateRGB(2, 2, 2)) << "the disc fades out one light size away";
  // Within a selection the top row is lit as the rows below it: its relief is flat too.
  TBitmap framed = kxtest::Uniform(20, 20, 90);
  _BumpMapping(framed, 10, -1000, 10, 1000000, 0, CreateRGB(255, 255, 255), 2, 5, 17, 14, NullProgress());
  for (int32_t x = 2; x <= 17; ++x) EXPECT_EQ(framed.GetPixel(x, 5), framed.GetPixel(x, 6)) << x;
}

TEST(BumpMapping, LightOfNoSizeChangesNothing) {
  for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}}) {
    TBitmap picture = kxtest::MakePicture(8, 8);
    const TBitmap original = picture;
    _BumpMapping(picture, 4, 4, w, h, 0, CreateRGB(255, 255, 255), 0, 0, 7, 7, NullProgress());
    EXPECT_TRUE(kxtest::SameBitmap(picture, original));
  }
}

TEST(BumpMapping, ReportsEachRowOfTheRectangle) {
  TBitmap picture = kxtest::MakePicture(8, 8);
  kxtest::TProgressLog log;
  TProgressRec progress;
  progress.fOnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  _BumpMapping(picture, 4, 4, 5, 5, 10, CreateRGB(255, 255, 255), 1, 2, 6, 5, progress);
  EXPECT_EQ(log.values, (std::vector<int>{28, 57, 85, 100}));
}
