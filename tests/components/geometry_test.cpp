// Geometry operations of the processing component: resampling with every filter against
// hand-computed sums, quarter turns as exact permutations, the three-shear rotation's sizes
// and rounding, the 1-bit rotation's fill, flips, canvas resizing, cropping, and undo after
// each of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/limits.h"
#include "imaging/proc/resample.h"
#include "imaging/proc/rotate.h"
#include "imaging/view/headless_host.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::SameBitmap;
using kxtest::TProgressLog;
using kxtest::Uniform;

namespace {

constexpr TResampleFilter kFilters[] = {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell};

TBitmap Gray(const std::vector<std::vector<uint8_t>>& rows) {
  TBitmap b(int32_t(rows[0].size()), int32_t(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      b.SetPixel(int32_t(x), int32_t(y), CreateRGB(rows[y][x], rows[y][x], rows[y][x]));
  return b;
}

std::vector<std::vector<uint8_t>> GrayOf(const TBitmap& b) {
  std::vector<std::vector<uint8_t>> rows(size_t(b.Height()), std::vector<uint8_t>(size_t(b.Width())));
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      const TRGB c = b.GetPixel(x, y);
      EXPECT_TRUE(c.r == c.g && c.g == c.b);
      rows[size_t(y)][size_t(x)] = c.r;
    }
  return rows;
}

TColor GrayColor(uint8_t v) { return TColor(v) | TColor(v) << 8 | TColor(v) << 16; }

// One-bit picture with pixel (x, y) set where (x * 7 + y * 3) % 5 < 2.
TBitmap OneBitPattern(int32_t w, int32_t h) {
  TBitmap b(w, h, pf1bit);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if ((x * 7 + y * 3) % 5 < 2) b.ScanLine(y)[x >> 3] |= uint8_t(0x80 >> (x & 7));
  return b;
}
bool Bit(const TBitmap& b, int32_t x, int32_t y) { return (b.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

// Every pixel bit from a fixed pseudo-random sequence (so every byte of a 24-bit picture too);
// the row padding stays zero.
TBitmap NoisePicture(int32_t w, int32_t h, TPixelFormat pf) {
  TBitmap b(w, h, pf);
  uint32_t state = uint32_t(w) * 7919u + uint32_t(h);
  const int64_t bits = int64_t(w) * b.BitCount();
  for (int32_t y = 0; y < h; ++y)
    for (int64_t i = 0; i < bits; ++i) {
      state = state * 1664525u + 1013904223u;
      if (state >> 31) b.ScanLine(y)[i >> 3] |= uint8_t(0x80 >> (i & 7));
    }
  return b;
}

// The stored value of pixel (x, y) whatever the colour table says: its 3 bytes or its bit.
uint32_t RawPixel(const TBitmap& b, int32_t x, int32_t y) {
  const uint8_t* row = b.ScanLine(y);
  if (b.BitCount() == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  return uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
}

bool PaddingIsZero(const TBitmap& b) {
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int64_t i = int64_t(b.Width()) * b.BitCount(); i < 8 * int64_t(b.RowLen()); ++i)
      if ((b.ScanLine(y)[i >> 3] >> (7 - (i & 7))) & 1) return false;
  return true;
}

}  // namespace

TEST(Resample, TriangleDownscaleMatchesHandComputedSums) {
  // 4 -> 2 with the triangle: weights 1/4, 1/2, 1/4 around source 0 and 2, the left one
  // mirrored onto source 1; 0.25*50 + 0.5*90 + 0.25*196 = 106.5 rounds to the even 106.
  TKestrixProc proc;
  TBitmap row = Gray({{10, 50, 90, 196}});
  proc.SetAttachedBitmap(&row);
  proc.Resample(2, 1, rfTriangle);
  EXPECT_EQ(GrayOf(row), (std::vector<std::vector<uint8_t>>{{30, 106}}));
  TBitmap column = Gray({{10}, {50}, {90}, {202}});
  proc.SetAttachedBitmap(&column);
  proc.Resample(1, 2, rfTriangle);
  EXPECT_EQ(GrayOf(column), (std::vector<std::vector<uint8_t>>{{30}, {108}}));
}

TEST(Resample, TriangleEnlargementInterpolatesFromTheLeftEdge) {
  // 2 -> 4: centres 0, 0.5, 1, 1.5; the last takes 0.5*b + 0.5*b (mirrored) = b.
  TKestrixProc proc;
  TBitmap row = Gray({{20, 101}});
  proc.SetAttachedBitmap(&row);
  proc.Resample(4, 1, rfTriangle);
  EXPECT_EQ(GrayOf(row), (std::vector<std::vector<uint8_t>>{{20, 60, 101, 101}}));
}

TEST(Resample, NoneStretchesThroughTheDrawingServicesRule) {
  TKestrixProc proc;
  TBitmap row = Gray({{0, 10, 20, 30, 40}, {50, 60, 70, 80, 90}, {100, 110, 120, 130, 140}});
  proc.SetAttachedBitmap(&row);
  proc.Resample(2, 2, rfNone);  // columns 1, 3; rows 0, 2
  EXPECT_EQ(GrayOf(row), (std::vector<std::vector<uint8_t>>{{10, 30}, {110, 130}}));
}

TEST(Resample, EveryFilterKeepsAConstantPictureWithin1AtAnySize) {
  const std::vector<std::array<int32_t, 4>> sizes = {{1, 1, 7, 5},         {2, 3, 9, 1},    {2, 3, 1, 1},
                                                     {3, 1, 1, 1},         {1, 2, 40, 30},  {3, 3, 1, 2},
                                                     {300, 200, 17, 1000}, {97, 61, 540, 3}};
  for (TResampleFilter f : kFilters)
    for (const auto& s : sizes) {
      TBitmap source = Uniform(s[0], s[1], 101), dest(s[2], s[3]);
      _Resample(source, dest, f);
      for (int32_t y = 0; y < dest.Height(); ++y)
        for (int32_t x = 0; x < dest.Width(); ++x)
          ASSERT_NEAR(dest.GetPixel(x, y).g, 101, 1)
              << int(f) << " " << s[0] << "x" << s[1] << "->" << s[2] << "x" << s[3] << " at " << x << "," << y;
    }
}

TEST(Resample, SizesAreSettledBeforeTheUndoCopy) {
  TBitmap picture = Uniform(1000, 750, 9);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.Resample(400, -1, rfNone);
  EXPECT_EQ(picture.Width(), 400);
  EXPECT_EQ(picture.Height(), 300);
  picture = Uniform(1000, 750, 9);
  proc.Resample(-1, 300, rfNone);
  EXPECT_EQ(picture.Width(), 400);
  EXPECT_EQ(picture.Height(), 300);

  TBitmap wide = Uniform(1000, 1, 9);
  proc.SetAttachedBitmap(&wide);
  proc.ClearUndo();
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{{-1, -1}, {1, -1}, {0, 5}, {5, 0}}) {
    proc.Resample(w, h, rfTriangle);
    EXPECT_EQ(wide.Width(), 1000);
    EXPECT_FALSE(proc.CanUndo());
    EXPECT_FALSE(proc.LastRefusal().empty()) << w << " x " << h;
  }
  {
    const kxtest::TPixelLimitScope limit(5000);
    proc.Resample(100, 100, rfNone);
  }
  EXPECT_EQ(wide.Width(), 1000);
  EXPECT_FALSE(proc.CanUndo());
  EXPECT_EQ(proc.LastRefusal(), "100 x 100 pixels is above the limit of 5000");
  {
    // The result fits the limit, but the row pass into 100 x 1000 pixels does not.
    TBitmap tall = Uniform(10, 1000, 9);
    proc.SetAttachedBitmap(&tall);
    const kxtest::TPixelLimitScope limit(5000);
    proc.Resample(100, 10, rfTriangle);
    EXPECT_EQ(tall.Width(), 10);
    EXPECT_EQ(proc.LastRefusal(), "its first pass: 100 x 1000 pixels is above the limit of 5000");
    proc.SetAttachedBitmap(&wide);
  }
  proc.Resample(10, 1, rfNone);
  EXPECT_EQ(proc.LastRefusal(), "") << "an operation that runs clears the refusal";
}

TEST(Resample, OneBitPicturesStretchAndStayOneBit) {
  TBitmap picture = OneBitPattern(10, 4);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.Resample(20, 8, rfLanczos3);
  ASSERT_EQ(picture.PixelFormat(), pf1bit);
  const TBitmap source = OneBitPattern(10, 4);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(Bit(picture, x, y), Bit(source, x / 2, y / 2));
}

TEST(Resample, ProgressCountsSourceRowsThenDestinationColumns) {
  // One report per source row of the first pass, then one per destination column of the
  // second: Trunc(n x 100 / (W1 + H0 + 0.5)) for n = 1 .. H0 + W1. 600 columns span several
  // strips of the second pass.
  for (const auto& [w0, h0, w1, h1] : std::vector<std::array<int32_t, 4>>{{40, 30, 20, 60}, {300, 4, 600, 3}}) {
    TBitmap picture = kxtest::MakePicture(w0, h0);
    TKestrixProc proc;
    proc.SetAttachedBitmap(&picture);
    TProgressLog log;
    proc.OnProgress = TProgressEvent::Bind<&TProgressLog::Handler>(&log);
    proc.Resample(w1, h1, rfMitchell);
    std::vector<int> expected;
    for (int32_t n = 1; n <= h0 + w1; ++n) expected.push_back(int(n * 100 / (w1 + h0 + 0.5)));
    EXPECT_EQ(log.values, expected) << w0 << "x" << h0 << "->" << w1 << "x" << h1;
  }
}

namespace {

// A plain two-pass resampler: rows first, each rounded to bytes, then each column of that
// result, walking one destination pixel at a time. Weights follow the resampler's rule: the
// kernel's values normalised to sum 1, then 14-bit fixed point rounded on the running total,
// sums rounded half to even and clamped.
struct TTaps {
  std::vector<std::vector<std::pair<int32_t, int64_t>>> Of;  // per destination index: (source, weight)
};

TTaps Taps(int32_t srcLen, int32_t dstLen, TResampleFilter f) {
  TTaps t;
  const double scale = double(dstLen) / srcLen, fscale = 1 / scale, support = KXFilterSupport(f);
  for (int32_t i = 0; i < dstLen; ++i) {
    const double center = i / scale;
    const double reach = scale >= 1 ? support : support / scale;
    std::vector<std::pair<int32_t, double>> raw;
    double sum = 0;
    for (int64_t j = int64_t(std::floor(center - reach)); j <= int64_t(std::ceil(center + reach)); ++j) {
      const double w = scale >= 1 ? KXFilterKernel(f, center - double(j))
                                  : KXFilterKernel(f, (center - double(j)) / fscale) / fscale;
      if (w == 0) continue;
      int64_t m = j;
      while (m < 0 || m >= srcLen) m = m < 0 ? -m : 2 * int64_t(srcLen) - 1 - m;
      raw.emplace_back(int32_t(m), w);
      sum += w;
    }
    const double norm = 1 / sum;
    double total = 0;
    int64_t given = 0;
    std::vector<std::pair<int32_t, int64_t>> taps;
    for (const auto& [j, w] : raw) {
      total += w * norm;
      const int64_t upTo = int64_t(std::nearbyint(total * 16384));
      taps.emplace_back(j, upTo - given);
      given = upTo;
    }
    t.Of.push_back(taps);
  }
  return t;
}

uint8_t Rounded(int64_t fixed) { return uint8_t(std::clamp<double>(std::nearbyint(double(fixed) / 16384), 0, 255)); }

TBitmap ReferenceResample(const TBitmap& s, int32_t w1, int32_t h1, TResampleFilter f) {
  const TTaps tx = Taps(s.Width(), w1, f), ty = Taps(s.Height(), h1, f);
  TBitmap work(w1, s.Height()), out(w1, h1);
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < w1; ++x) {
      int64_t sum[3] = {0, 0, 0};
      for (const auto& [j, w] : tx.Of[size_t(x)]) {
        const TRGB p = s.GetPixel(j, y);
        sum[0] += w * p.r, sum[1] += w * p.g, sum[2] += w * p.b;
      }
      work.SetPixel(x, y, CreateRGB(Rounded(sum[0]), Rounded(sum[1]), Rounded(sum[2])));
    }
  for (int32_t x = 0; x < w1; ++x)
    for (int32_t y = 0; y < h1; ++y) {
      int64_t sum[3] = {0, 0, 0};
      for (const auto& [j, w] : ty.Of[size_t(y)]) {
        const TRGB p = work.GetPixel(x, j);
        sum[0] += w * p.r, sum[1] += w * p.g, sum[2] += w * p.b;
      }
      out.SetPixel(x, y, CreateRGB(Rounded(sum[0]), Rounded(sum[1]), Rounded(sum[2])));
    }
  return out;
}

// Blocks of saturated colours with one-pixel lines: every edge is hard, so each pass overshoots.
TBitmap HardEdges(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const bool block = ((x / 5) + (y / 7)) % 2 == 0, line = x % 11 == 3 || y % 13 == 6;
      b.SetPixel(x, y, line ? CreateRGB(255, 255, 255) : block ? CreateRGB(255, 0, 40) : CreateRGB(0, 30, 0));
    }
  return b;
}

}  // namespace

TEST(Resample, AWorkPictureAboveThePixelLimitLeavesTheDestination) {
  // 2 x 200 to 200 x 2 passes through 200 x 200 pixels, above a limit both ends fit under.
  const TBitmap source = Uniform(2, 200, 90);
  TBitmap dest(200, 2);
  const TBitmap untouched(dest);
  const kxtest::TPixelLimitScope limit(10000);
  _Resample(source, dest, rfTriangle);
  EXPECT_TRUE(SameBitmap(dest, untouched));
}

TEST(Resample, HardEdgesMatchARowsFirstReference) {
  // Shrinking a tall picture's height is the case where taking the columns first is cheaper;
  // the rows still come first.
  const std::vector<std::array<int32_t, 4>> sizes = {{40, 400, 30, 20}, {37, 29, 61, 13}, {23, 31, 9, 70}};
  for (TResampleFilter f : {rfLanczos3, rfMitchell})
    for (const auto& [w0, h0, w1, h1] : sizes) {
      const TBitmap source = HardEdges(w0, h0);
      TBitmap dest(w1, h1);
      _Resample(source, dest, f);
      EXPECT_TRUE(SameBitmap(dest, ReferenceResample(source, w1, h1, f)))
          << int(f) << " " << w0 << "x" << h0 << "->" << w1 << "x" << h1;
    }
}

TEST(QuickResample, ShrinkingAxesStretchAndEnlargingAxesFilter) {
  const TBitmap source = kxtest::MakePicture(30, 20);
  TBitmap quick(10, 5), stretched(10, 5);
  _QuickResample(source, quick, rfLanczos3);
  _KXBmpStretch(source, stretched);
  EXPECT_TRUE(SameBitmap(quick, stretched));
  TBitmap quickUp(70, 45), filteredUp(70, 45);
  _QuickResample(source, quickUp, rfTriangle);
  _Resample(source, filteredUp, rfTriangle);
  EXPECT_TRUE(SameBitmap(quickUp, filteredUp));
}

TEST(Rotate, QuarterTurnsAreExactPermutations) {
  const TBitmap source = kxtest::MakePicture(7, 4);
  const int32_t W = 7, H = 4;
  struct TCase {
    int32_t angle;
    int32_t w, h;
    std::function<TRGB(int32_t x, int32_t y)> expected;
  };
  auto at = [&](int32_t x, int32_t y) { return source.GetPixel(x, y); };
  const auto ccw = [&](int32_t x, int32_t y) { return at(W - 1 - y, x); };
  const auto cw = [&](int32_t x, int32_t y) { return at(y, H - 1 - x); };
  const auto half = [&](int32_t x, int32_t y) { return at(W - 1 - x, H - 1 - y); };
  const std::vector<TCase> cases = {{90, H, W, ccw},    {450, H, W, ccw}, {-270, H, W, ccw},
                                    {-90, H, W, cw},    {270, H, W, cw},  {180, W, H, half},
                                    {-180, W, H, half}, {360, W, H, at},  {0, W, H, at}};
  for (const TCase& c : cases) {
    TBitmap picture = source;
    TKestrixProc proc;
    proc.SetAttachedBitmap(&picture);
    proc.Rotate(c.angle, true);
    ASSERT_EQ(picture.Width(), c.w) << c.angle;
    ASSERT_EQ(picture.Height(), c.h) << c.angle;
    for (int32_t y = 0; y < c.h; ++y)
      for (int32_t x = 0; x < c.w; ++x) ASSERT_EQ(picture.GetPixel(x, y), c.expected(x, y)) << c.angle;
  }
}

TEST(Rotate, TurnsAndMirrorsEqualThePlainPermutationAtSizesAroundTheirBlocks) {
  using TFrom = std::function<std::pair<int32_t, int32_t>(int32_t x, int32_t y, int32_t w, int32_t h)>;
  struct TCase {
    const char* name;
    std::function<TBitmap(const TBitmap&)> run;
    bool swapsSides;
    bool keepsPalette;
    TFrom from;  // the source pixel of destination pixel (x, y)
  };
  auto withProc = [](std::function<void(TKestrixProc&)> op) {
    return [op](const TBitmap& source) {
      TBitmap picture = source;
      TKestrixProc proc;
      proc.SetAutoUndo(false);
      proc.SetAttachedBitmap(&picture);
      op(proc);
      return picture;
    };
  };
  auto into = [](void (*turn)(const TBitmap&, TBitmap&)) {
    return [turn](const TBitmap& source) {
      TBitmap turned;
      turn(source, turned);
      return turned;
    };
  };
  // A destination that already has a larger block full of stale bytes is turned into as it is.
  auto intoUsed = [](void (*turn)(const TBitmap&, TBitmap&)) {
    return [turn](const TBitmap& source) {
      const int32_t side = source.Width() + source.Height() + 8;
      TBitmap turned(side, side, source.PixelFormat());
      std::memset(turned.Bits(), 0xA5, size_t(turned.RowLen()) * size_t(side));
      turn(source, turned);
      return turned;
    };
  };
  const TFrom ccw = [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{w - 1 - y, x}; };
  const TFrom cw = [](int32_t x, int32_t y, int32_t, int32_t h) { return std::pair{y, h - 1 - x}; };
  const TFrom half = [](int32_t x, int32_t y, int32_t w, int32_t h) { return std::pair{w - 1 - x, h - 1 - y}; };
  const TFrom mirror = [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{w - 1 - x, y}; };
  const std::vector<TCase> cases = {
      {"Rotate 90", withProc([](TKestrixProc& p) { p.Rotate(90, false); }), true, true, ccw},
      {"Rotate -90", withProc([](TKestrixProc& p) { p.Rotate(-90, false); }), true, true, cw},
      {"Rotate 180", withProc([](TKestrixProc& p) { p.Rotate(180, false); }), false, true, half},
      {"Flip horizontal", withProc([](TKestrixProc& p) { p.Flip(fdHorizontal); }), false, true, mirror},
      {"_Rot90", into(_Rot90), true, false, ccw},
      {"_Rot90o", into(_Rot90o), true, false, cw},
      {"_Rot90 into a used bitmap", intoUsed(_Rot90), true, false, ccw},
      // The component keeps the block a turn gives up and turns into it the next time.
      {"Rotate 90 three times", withProc([](TKestrixProc& p) {
         for (int i = 0; i < 3; ++i) p.Rotate(90, false);
       }),
       true, true, cw},
  };
  // Register blocks are 4 and 16 pixels, bit blocks 8 (mirrored 64 at a time from 128 on),
  // and bands of turned rows 1024.
  const int32_t sides[] = {1, 7, 8, 9, 15, 16, 17, 33};
  std::vector<std::pair<int32_t, int32_t>> sizes = {{1030, 40}, {37, 1029}, {128, 3}, {129, 5}};
  for (int32_t w : sides)
    for (int32_t h : sides) sizes.emplace_back(w, h);
  for (TPixelFormat pf : {pf24bit, pf1bit})
    for (const auto& [w, h] : sizes) {
      TBitmap source = NoisePicture(w, h, pf);
      if (pf == pf1bit) source.SetPalette({CreateRGB(200, 0, 0), CreateRGB(0, 0, 250)});
      for (const TCase& c : cases) {
        const TBitmap result = c.run(source);
        const std::string what = std::string(c.name) + " of " + std::to_string(w) + "x" + std::to_string(h) + " at " +
                                 std::to_string(source.BitCount()) + " bits";
        ASSERT_EQ(result.PixelFormat(), pf) << what;
        ASSERT_EQ(result.Width(), c.swapsSides ? h : w) << what;
        ASSERT_EQ(result.Height(), c.swapsSides ? w : h) << what;
        if (c.keepsPalette) {
          EXPECT_EQ(result.Palette(), source.Palette()) << what;
        }
        int64_t wrong = 0;
        for (int32_t y = 0; y < result.Height(); ++y)
          for (int32_t x = 0; x < result.Width(); ++x) {
            const auto [sx, sy] = c.from(x, y, w, h);
            wrong += RawPixel(result, x, y) != RawPixel(source, sx, sy);
          }
        EXPECT_EQ(wrong, 0) << what;
        EXPECT_TRUE(PaddingIsZero(result)) << what;
      }
    }
}

TEST(Rotate, OneBitTurnsReportEveryOutputRow) {
  for (int32_t angle : {90, -90, 180, 360, 45}) {
    TBitmap picture = OneBitPattern(13, 6);
    TKestrixProc proc;
    proc.SetAttachedBitmap(&picture);
    TProgressLog log;
    proc.OnProgress = TProgressEvent::Bind<&TProgressLog::Handler>(&log);
    proc.Rotate(angle, false);
    std::vector<int> expected;
    for (int32_t row = 0; row < picture.Height(); ++row) expected.push_back(row * 100 / picture.Height());
    EXPECT_EQ(log.values, expected) << angle;
  }
}

TEST(Rotate, ThirtyDegreesOn100By50GivesTheShearSizes) {
  for (bool antialias : {false, true}) {
    TBitmap picture = kxtest::MakePicture(100, 50);
    TKestrixProc proc;
    proc.SetAttachedBitmap(&picture);
    proc.Rotate(30, antialias);
    EXPECT_EQ(picture.Width(), 112);
    EXPECT_EQ(picture.Height(), 94);
  }
}

TEST(Rotate, ResultAboveThePixelLimitIsRefusedBeforeAnyChange) {
  const TBitmap source = kxtest::MakePicture(100, 50);
  TBitmap picture = source;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  {
    const kxtest::TPixelLimitScope limit(6000);  // the picture fits, its 112 x 94 turn does not
    proc.Rotate(120, true);
  }
  EXPECT_TRUE(SameBitmap(picture, source));
  EXPECT_FALSE(proc.CanUndo());
  EXPECT_EQ(proc.LastRefusal(), "the turned picture would be above the pixel limit of 6000");
}

TEST(Rotate, ShearTurnsCounterClockwiseAndFillsCornersWithTheBackground) {
  TBitmap picture = Uniform(60, 60, 0);
  picture.Canvas().Brush.Color = clWhite;
  picture.Canvas().FillRect(Rect(50, 25, 60, 35));  // a white mark on the right edge
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.SetBackground(0x0000FF);  // red
  proc.Rotate(30, false);
  EXPECT_EQ(picture.GetPixel(0, 0), CreateRGB(255, 0, 0));
  // Turned counter-clockwise the mark moves up from the centre row.
  int64_t sumY = 0, count = 0;
  for (int32_t y = 0; y < picture.Height(); ++y)
    for (int32_t x = 0; x < picture.Width(); ++x)
      if (picture.GetPixel(x, y) == CreateRGB(255, 255, 255)) sumY += y, ++count;
  ASSERT_GT(count, 50);
  EXPECT_LT(double(sumY) / double(count), picture.Height() / 2.0 - 10);
}

TEST(Rotate, AntialiasedShearKeepsAUniformPictureUniform) {
  for (int32_t angle : {30, -17, 44, 1}) {
    TBitmap picture = Uniform(41, 23, 101);
    TKestrixProc proc;
    proc.SetAttachedBitmap(&picture);
    proc.SetBackground(GrayColor(101));
    proc.Rotate(angle, true);
    for (int32_t y = 0; y < picture.Height(); ++y)
      for (int32_t x = 0; x < picture.Width(); ++x)
        ASSERT_EQ(picture.GetPixel(x, y), CreateRGB(101, 101, 101)) << angle;
  }
}

TEST(Rotate, OneBitQuarterTurnIsExactAndFillsWithTheViewsBackground) {
  const TBitmap source = OneBitPattern(13, 6);
  TBitmap picture = source;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.Rotate(90, false);
  ASSERT_EQ(picture.PixelFormat(), pf1bit);
  ASSERT_EQ(picture.Width(), 6);
  ASSERT_EQ(picture.Height(), 13);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(Bit(picture, x, y), Bit(source, 12 - y, x));

  for (TColor background : {clWhite, clBlack}) {
    TKestrixView view;
    THeadlessHost host;
    view.SetBounds(0, 0, 30, 30);
    host.Attach(view);
    const TBitmap black(20, 20, pf1bit);
    view.Assign(&black);
    view.SetBackGround(background);
    TKestrixProc attached;
    attached.SetAttachedKestrix(&view);
    attached.Rotate(30, false);
    ASSERT_EQ(view.Bitmap().PixelFormat(), pf1bit);
    EXPECT_EQ(Bit(view.Bitmap(), 0, 0), background == clWhite);
    EXPECT_FALSE(Bit(view.Bitmap(), view.Bitmap().Width() / 2, view.Bitmap().Height() / 2));
  }
}

TEST(Flip, MirrorsBothFormatsExactly) {
  const TBitmap color = kxtest::MakePicture(5, 3);
  for (TFlipDir dir : {fdHorizontal, fdVertical}) {
    TBitmap picture = color;
    TKestrixProc proc;
    proc.SetAttachedBitmap(&picture);
    proc.Flip(dir);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 5; ++x)
        EXPECT_EQ(picture.GetPixel(x, y), dir == fdHorizontal ? color.GetPixel(4 - x, y) : color.GetPixel(x, 2 - y));
  }
  for (int32_t width : {10, 13, 1}) {
    const TBitmap bits = OneBitPattern(width, 4);
    for (TFlipDir dir : {fdHorizontal, fdVertical}) {
      TBitmap picture = bits;
      TKestrixProc proc;
      proc.SetAttachedBitmap(&picture);
      proc.Flip(dir);
      ASSERT_EQ(picture.PixelFormat(), pf1bit);
      for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < width; ++x)
          EXPECT_EQ(Bit(picture, x, y), dir == fdHorizontal ? Bit(bits, width - 1 - x, y) : Bit(bits, x, 3 - y))
              << width;
    }
  }
}

TEST(ImageResize, KeepsTheTopLeftCornerAndFillsWithTheBackground) {
  const TBitmap source = kxtest::MakePicture(4, 3);
  TBitmap picture = source;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.SetBackground(0x00FF00);
  proc.ImageResize(6, 5);
  ASSERT_EQ(picture.Width(), 6);
  ASSERT_EQ(picture.Height(), 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x)
      EXPECT_EQ(picture.GetPixel(x, y), x < 4 && y < 3 ? source.GetPixel(x, y) : CreateRGB(0, 255, 0));
  proc.ImageResize(2, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(picture.GetPixel(x, y), source.GetPixel(x, y));
  proc.ClearUndo();
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{{0, 3}, {3, 0}, {-4, 3}, {3, -1}}) {
    proc.ImageResize(w, h);
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_FALSE(proc.CanUndo());
    EXPECT_EQ(proc.LastRefusal(), std::to_string(w) + " x " + std::to_string(h) + " is not a picture size");
  }
}

TEST(CropSel, KeepsExactlyTheSelectedPixels) {
  const TBitmap source = kxtest::MakePicture(20, 16);
  TBitmap picture = source;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.Select(7, 5, 7, 5);  // one pixel
  proc.CropSel();
  ASSERT_EQ(picture.Width(), 1);
  ASSERT_EQ(picture.Height(), 1);
  EXPECT_EQ(picture.GetPixel(0, 0), source.GetPixel(7, 5));

  TKestrixView view;
  THeadlessHost host;
  view.SetBounds(0, 0, 30, 30);
  host.Attach(view);
  view.Assign(&source);
  TKestrixProc attached;
  attached.SetAttachedKestrix(&view);
  attached.Select(3, 2, 9, 6);  // the same pixels a selection-aware operation changes
  attached.CropSel();
  ASSERT_EQ(view.Bitmap().Width(), 7);
  ASSERT_EQ(view.Bitmap().Height(), 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(view.Bitmap().GetPixel(x, y), source.GetPixel(3 + x, 2 + y));

  // A triangle: the pixels whose centres lie inside, the rest the background.
  view.Assign(&source);
  view.SetSelectionBase(kxsbBitmap);
  view.SetBackGround(0xFF0000);
  for (const TPoint& p : {TPoint{2, 2}, TPoint{12, 2}, TPoint{2, 12}}) view.AddSelPoint(p.X, p.Y);
  attached.CropSel();
  // Centres (x + 0.5, y + 0.5) with x + y + 1 < 14: columns and rows 2..10.
  ASSERT_EQ(view.Bitmap().Width(), 9);
  ASSERT_EQ(view.Bitmap().Height(), 9);
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 9; ++x)
      EXPECT_EQ(view.Bitmap().GetPixel(x, y), x + y <= 8 ? source.GetPixel(2 + x, 2 + y) : CreateRGB(0, 0, 255));
}

TEST(Undo, RestoresTheExactPictureAfterEachOperation) {
  const std::vector<std::function<void(TKestrixProc&)>> operations = {
      [](TKestrixProc& p) { p.Resample(13, 7, rfBell); },
      [](TKestrixProc& p) { p.Resample(-1, 40, rfNone); },
      [](TKestrixProc& p) { p.ImageResize(40, 3); },
      [](TKestrixProc& p) { p.Rotate(90, false); },
      [](TKestrixProc& p) { p.Rotate(-200, true); },
      [](TKestrixProc& p) { p.Flip(fdHorizontal); },
      [](TKestrixProc& p) { p.Flip(fdVertical); },
      [](TKestrixProc& p) {
        p.Select(2, 3, 9, 8);
        p.CropSel();
      },
  };
  for (TPixelFormat pf : {pf24bit, pf1bit})
    for (size_t i = 0; i < operations.size(); ++i) {
      TBitmap original = kxtest::MakePicture(21, 17);
      original.SetPixelFormat(pf);
      TBitmap picture = original;
      TKestrixProc proc;
      proc.SetAttachedBitmap(&picture);
      operations[i](proc);
      ASSERT_TRUE(proc.CanUndo()) << i;
      EXPECT_FALSE(SameBitmap(picture, original)) << i;
      proc.Undo();
      EXPECT_TRUE(SameBitmap(picture, original)) << i << " " << int(pf);
    }
}
