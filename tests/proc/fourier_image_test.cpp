// TKXFtImage: the placement on the grid, round trips for colour and gray pictures, Parseval's
// identity, the filters' effect on the picture, the spectrum of a sine grating, refusals before
// any plane is allocated, element access bounded to the grid, and progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "imaging/core/canvas.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/fourier.h"
#include "imaging/proc/pixel_convert.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::Compare;
using kxtest::MakePicture;
using kxtest::TDiff;

namespace {

TBitmap Gray(TBitmap picture) {
  for (int32_t y = 0; y < picture.Height(); ++y)
    KXGrayRow(reinterpret_cast<TRGB*>(picture.ScanLine(y)), picture.Width());
  return picture;
}

// Every pixel of `picture` is `color`, within one level.
void ExpectUniform(const TBitmap& picture, TRGB color) {
  const TDiff diff = Compare(picture, kxtest::Filled(picture.Width(), picture.Height(), color));
  EXPECT_LE(diff.maxDelta, 1);
}

struct RoundTripCase {
  int32_t width, height;
  TKXFtImageType type;
  int32_t grid, xOffset, yOffset;
};

class FourierRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(FourierRoundTripTest, GivesThePictureBack) {
  const auto [width, height, type, grid, xOffset, yOffset] = GetParam();
  const TBitmap picture = MakePicture(width, height, uint32_t(width + height));
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(picture, type)) << ft.LastRefusal();
  EXPECT_EQ(ft.TransformSize(), grid);
  EXPECT_EQ(ft.XOffset(), xOffset);
  EXPECT_EQ(ft.YOffset(), yOffset);
  TBitmap back(3, 3, pf1bit);
  ft.BuildBitmap(back);
  const TDiff diff = Compare(back, type == kxitRGB ? picture : Gray(picture));
  EXPECT_TRUE(diff.sameSize);
  EXPECT_LE(diff.maxDelta, 1);
  // The planes are left as they were: a second inverse gives the same picture.
  TBitmap again;
  ft.BuildBitmap(again);
  EXPECT_TRUE(kxtest::SameBitmap(again, back));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FourierRoundTripTest,
    testing::Values(RoundTripCase{100, 60, kxitRGB, 128, 14, 34}, RoundTripCase{100, 60, kxitGrayscale, 128, 14, 34},
                    RoundTripCase{64, 64, kxitRGB, 64, 0, 0}, RoundTripCase{1, 1, kxitRGB, 1, 0, 0},
                    RoundTripCase{1, 1, kxitGrayscale, 1, 0, 0}, RoundTripCase{3, 17, kxitRGB, 32, 14, 7},
                    RoundTripCase{257, 2, kxitGrayscale, 512, 127, 255}));

// A second transform of the same grid size reuses the planes: nothing of the first may remain.
TEST(FourierImage, ASecondPictureOfTheSameGridStartsClean) {
  const TBitmap small = MakePicture(100, 60, 5);
  TKXFtImage reused, fresh;
  ASSERT_TRUE(reused.BuildFT(MakePicture(128, 128, 4), kxitRGB));
  ASSERT_TRUE(reused.BuildFT(small, kxitRGB));
  ASSERT_TRUE(fresh.BuildFT(small, kxitRGB));
  for (auto c : {TKXFtImage::chRed, TKXFtImage::chGreen, TKXFtImage::chBlue})
    EXPECT_TRUE(reused.Plane(c) == fresh.Plane(c));
  ASSERT_TRUE(reused.BuildFT(small, kxitGrayscale));
  EXPECT_TRUE(reused.Plane(TKXFtImage::chRed).empty());
  TBitmap back;
  reused.BuildBitmap(back);
  EXPECT_LE(Compare(back, Gray(small)).maxDelta, 1);
}

// A gray picture's colour planes come from one transform, and go back through one, without
// changing what a transform per plane gives; a plane changed on its own still counts alone.
TEST(FourierImage, AGrayPictureInColourMatchesItsPlanesDoneOneByOne) {
  const TBitmap gray = Gray(MakePicture(40, 24, 6));
  TBitmap tinted = gray;
  tinted.ScanLine(23)[39 * 3] ^= 1;  // one blue byte off: no longer gray
  TKXFtImage ft, separate;
  kxtest::TProgressLog log;
  ft.OnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  ASSERT_TRUE(ft.BuildFT(gray, kxitRGB));
  EXPECT_EQ(log.values.size(), 4u + 2u);  // four blocks of columns, then the two copies
  EXPECT_EQ(log.values.back(), KXTrunc(100.0 / 192 * 191));
  ASSERT_TRUE(separate.BuildFT(tinted, kxitRGB));
  EXPECT_TRUE(ft.Plane(TKXFtImage::chRed) == separate.Plane(TKXFtImage::chRed));
  EXPECT_TRUE(ft.Plane(TKXFtImage::chGreen) == separate.Plane(TKXFtImage::chGreen));
  EXPECT_FALSE(ft.Plane(TKXFtImage::chBlue) == separate.Plane(TKXFtImage::chBlue));
  TBitmap back;
  ft.BuildBitmap(back);
  EXPECT_LE(Compare(back, gray).maxDelta, 1);
  TBitmap spectrum;
  ft.GetFTImage(spectrum);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) {
      const TRGB p = spectrum.GetPixel(x, y);
      ASSERT_TRUE(p.r == p.g && p.g == p.b);
    }
  TKXFtImage filtered, filteredSeparate;
  ASSERT_TRUE(filtered.BuildFT(gray, kxitRGB));
  ASSERT_TRUE(filteredSeparate.BuildFT(tinted, kxitRGB));
  filtered.LoPass(3);
  filteredSeparate.LoPass(3);
  EXPECT_TRUE(filtered.Plane(TKXFtImage::chGreen) == filteredSeparate.Plane(TKXFtImage::chGreen));
  *ft.GetComplexImage(32, 32).BlueRe = 0;
  ft.BuildBitmap(back);
  int blueOff = 0;
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const TRGB got = back.GetPixel(x, y), want = gray.GetPixel(x, y);
      ASSERT_LE(std::abs(got.r - want.r), 1);
      ASSERT_LE(std::abs(got.g - want.g), 1);
      blueOff += std::abs(got.b - want.b) > 1;
    }
  EXPECT_GT(blueOff, 40 * 24 / 2);
}

TEST(FourierImage, KeepsTheSumOfSquares) {
  const TBitmap picture = MakePicture(256, 256, 7);
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(picture, kxitGrayscale));
  const TBitmap gray = Gray(picture);
  double before = 0, after = 0;
  const float norm = ft.Normalisation(TKXFtImage::chGray);
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x) before += std::pow(gray.ScanLine(y)[3 * x] / double(norm), 2);
  for (float v : ft.Plane(TKXFtImage::chGray)) after += double(v) * v;
  EXPECT_NEAR(after / before, 1.0, 1e-5);
}

TEST(FourierImage, LowPassZeroGivesTheMeanColour) {
  const TBitmap picture = MakePicture(64, 64, 3);
  double sum[3] = {};
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64 * 3; ++x) sum[x % 3] += picture.ScanLine(y)[x];
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(picture, kxitRGB));
  ft.LoPass(0);
  TBitmap back;
  ft.BuildBitmap(back);
  ExpectUniform(back, TRGB{uint8_t(std::lround(sum[0] / 4096)), uint8_t(std::lround(sum[1] / 4096)),
                           uint8_t(std::lround(sum[2] / 4096))});
}

TEST(FourierImage, HighPassRemovesAConstantPicture) {
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(kxtest::Filled(32, 32, TRGB{10, 200, 99}), kxitRGB));
  ft.HiPass(0);
  TBitmap back;
  ft.BuildBitmap(back);
  EXPECT_TRUE(kxtest::SameBitmap(back, kxtest::Filled(32, 32, TRGB{0, 0, 0})));
}

TEST(FourierImage, HighPassThenLowPassOfOneRadiusClearsEverything) {
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(MakePicture(50, 40), kxitRGB));
  ft.HiPass(9);
  // The boundary: distance Trunc(sqrt(dx^2 + dy^2)) 9 is cleared, 10 is kept.
  EXPECT_EQ(*ft.GetComplexImage(32 + 9, 32 + 1).RedRe, 0.0f);
  EXPECT_NE(*ft.GetComplexImage(32 + 10, 32).RedRe, 0.0f);
  ft.LoPass(9);
  for (auto c : {TKXFtImage::chRed, TKXFtImage::chGreen, TKXFtImage::chBlue})
    for (float v : ft.Plane(c)) ASSERT_EQ(v, 0.0f);
}

TEST(FourierImage, SpectrumOfAVerticalGratingPeaksBesideTheCentre) {
  // Eight periods across 64 columns, the same on every row.
  TBitmap grating(64, 64);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) {
      const auto level = uint8_t(std::lround(128 + 100 * std::sin(2 * std::numbers::pi * 8 * x / 64)));
      grating.SetPixel(x, y, TRGB{level, level, level});
    }
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(grating, kxitGrayscale));
  TBitmap spectrum;
  ft.GetFTImage(spectrum);
  ASSERT_EQ(spectrum.Width(), 64);
  std::vector<std::pair<int, TPoint>> levels;
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) levels.push_back({spectrum.GetPixel(x, y).r, TPoint{x, y}});
  std::sort(levels.begin(), levels.end(), [](auto& a, auto& b) { return a.first > b.first; });
  EXPECT_EQ(levels[0].first, 255);
  EXPECT_EQ(levels[0].second.X, 32);
  EXPECT_EQ(levels[0].second.Y, 32);
  const int32_t peak1 = levels[1].second.X, peak2 = levels[2].second.X;
  EXPECT_EQ(std::min(peak1, peak2), 24);
  EXPECT_EQ(std::max(peak1, peak2), 40);
  EXPECT_EQ(levels[1].second.Y, 32);
  EXPECT_EQ(levels[2].second.Y, 32);
  // The rest lies well below the peaks.
  EXPECT_LT(levels[3].first + 40, levels[2].first);
}

TEST(FourierImage, ConstantSpectraShowWithoutFailing) {
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(kxtest::Filled(8, 8, TRGB{0, 0, 0}), kxitRGB));
  TBitmap spectrum;
  ft.GetFTImage(spectrum);
  EXPECT_TRUE(kxtest::SameBitmap(spectrum, kxtest::Filled(8, 8, TRGB{0, 0, 0})));
  TBitmap back;
  ft.BuildBitmap(back);
  EXPECT_TRUE(kxtest::SameBitmap(back, kxtest::Filled(8, 8, TRGB{0, 0, 0})));
  // A uniform picture after LoPass(0) holds one element: its reconstruction is that colour.
  ASSERT_TRUE(ft.BuildFT(kxtest::Filled(16, 16, TRGB{40, 80, 160}), kxitRGB));
  ft.LoPass(0);
  ft.BuildBitmap(back);
  ExpectUniform(back, TRGB{40, 80, 160});
  ft.GetFTImage(spectrum);
  EXPECT_EQ(spectrum.GetPixel(8, 8).r, 255);
  EXPECT_EQ(spectrum.GetPixel(0, 0).r, 0);
}

TEST(FourierImage, RefusesBeforeAllocating) {
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(MakePicture(8, 8), kxitRGB));
  EXPECT_FALSE(ft.BuildFT(TBitmap(20000, 1), kxitGrayscale));
  EXPECT_NE(ft.LastRefusal().find("16384"), std::string::npos) << ft.LastRefusal();
  EXPECT_TRUE(ft.Empty());
  EXPECT_TRUE(ft.Plane(TKXFtImage::chRed).empty());
  {
    kxtest::TPixelLimitScope limit(3 * 64 * 64 - 1);
    EXPECT_FALSE(ft.BuildFT(TBitmap(40, 40), kxitRGB));
    EXPECT_EQ(ft.LastRefusal(), "its 3 planes of 64 x 64 hold 12288 elements, above the pixel limit of 12287");
    EXPECT_TRUE(ft.BuildFT(TBitmap(40, 40), kxitGrayscale));
  }
  EXPECT_FALSE(ft.BuildFT(TBitmap(8, 8, pf1bit), kxitRGB));
  EXPECT_FALSE(ft.BuildFT(TBitmap(8, 8), kxitUnknown));
  EXPECT_FALSE(ft.BuildFT(TBitmap(), kxitRGB));
  // An empty transform leaves a picture alone.
  TBitmap untouched = MakePicture(5, 5);
  ft.BuildBitmap(untouched);
  ft.GetFTImage(untouched);
  EXPECT_TRUE(kxtest::SameBitmap(untouched, MakePicture(5, 5)));
}

TEST(FourierImage, ElementsAndZonesStayOnTheGrid) {
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(MakePicture(16, 16), kxitGrayscale));
  for (const TPoint p : {TPoint{-1, 0}, TPoint{0, -1}, TPoint{16, 0}, TPoint{0, 16}}) {
    const TKXComplexElement e = ft.GetComplexImage(p.X, p.Y);
    EXPECT_EQ(e.GrayRe, nullptr);
    EXPECT_EQ(e.GrayIm, nullptr);
  }
  const TKXComplexElement e = ft.GetComplexImage(3, 4);
  EXPECT_EQ(e.RedRe, nullptr);
  ASSERT_NE(e.GrayRe, nullptr);
  EXPECT_EQ(e.GrayRe, ft.Plane(TKXFtImage::chGray).data() + 4 * 32 + 3);
  EXPECT_EQ(e.GrayIm, e.GrayRe + 16);
  // A reversed zone clears nothing; one beyond the grid clears what lies on it.
  const TKXComplexPlane before = ft.Plane(TKXFtImage::chGray);
  ft.ClearZone(5, 5, 4, 4);
  EXPECT_EQ(ft.Plane(TKXFtImage::chGray), before);
  ft.ClearZone(14, -100, 1000000, 1);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const bool cleared = x >= 14 && y <= 1;
      const size_t at = size_t(y * 32 + x);
      EXPECT_EQ(ft.Plane(TKXFtImage::chGray)[at] == 0 && ft.Plane(TKXFtImage::chGray)[at + 16] == 0, cleared)
          << x << "," << y;
    }
  ft.ClearZone(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  for (float v : ft.Plane(TKXFtImage::chGray)) ASSERT_EQ(v, 0.0f);
  ft.LoPass(INT32_MAX);
  ft.HiPass(INT32_MAX);
}

TEST(FourierImage, ReportsProgressPerPlane) {
  kxtest::TProgressLog log;
  TKXFtImage ft;
  ft.OnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  ASSERT_TRUE(ft.BuildFT(MakePicture(8, 5), kxitRGB));
  // One block of columns per plane: Trunc(100 / 24 x 7), then a plane's 8 columns on.
  EXPECT_EQ(log.values, (std::vector<int>{29, 62, 95}));
  log.values.clear();
  TBitmap back;
  ft.BuildBitmap(back);
  EXPECT_EQ(log.values, (std::vector<int>{29, 62, 95}));
}

TEST(FourierImage, AssignCopiesEverything) {
  TKXFtImage ft;
  ASSERT_TRUE(ft.BuildFT(MakePicture(20, 12), kxitRGB));
  ft.ClearZone(0, 0, 3, 31);
  TKXFtImage copy;
  ASSERT_TRUE(copy.BuildFT(MakePicture(4, 4), kxitGrayscale));
  copy.Assign(ft);
  EXPECT_EQ(copy.ImageType(), kxitRGB);
  EXPECT_EQ(copy.TransformSize(), 32);
  EXPECT_EQ(copy.XOffset(), 6);
  EXPECT_EQ(copy.YOffset(), 10);
  EXPECT_TRUE(copy.Plane(TKXFtImage::chGray).empty());
  TBitmap a, b;
  ft.BuildBitmap(a);
  copy.BuildBitmap(b);
  EXPECT_TRUE(kxtest::SameBitmap(a, b));
}

}  // namespace
