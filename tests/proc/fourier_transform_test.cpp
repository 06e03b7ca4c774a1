// The radix-2 transform against a plain discrete Fourier transform on small grids, in both
// directions, for real and complex inputs; the grid sizes and the bit reversal it is built on.
#include "imaging/proc/fourier_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

using namespace kx;

namespace {

using Grid = std::vector<std::complex<double>>;

// The 1-D transform of `count` values `step` apart, straight from the definition, scaled by
// 1/sqrt(n); sign -1 forward.
void PlainDft(Grid& g, size_t first, size_t step, size_t n, int sign) {
  Grid out(n);
  for (size_t u = 0; u < n; ++u) {
    std::complex<double> sum = 0;
    for (size_t x = 0; x < n; ++x)
      sum += g[first + x * step] * std::polar(1.0, sign * 2 * std::numbers::pi * double(u * x % n) / double(n));
    out[u] = sum / std::sqrt(double(n));
  }
  for (size_t u = 0; u < n; ++u) g[first + u * step] = out[u];
}

Grid PlainDft2D(Grid g, size_t n, int sign) {
  for (size_t y = 0; y < n; ++y) PlainDft(g, y * n, 1, n, sign);
  for (size_t x = 0; x < n; ++x) PlainDft(g, x, n, n, sign);
  return g;
}

struct TransformCase {
  int32_t n;
  bool complexInput;
  int direction;
};

class FourierTransformTest : public testing::TestWithParam<TransformCase> {};

TEST_P(FourierTransformTest, MatchesThePlainTransform) {
  const auto [n, complexInput, direction] = GetParam();
  std::mt19937 random(uint32_t(n * 4 + direction + 2 + complexInput));
  std::uniform_real_distribution<double> value(-1, 1);
  Grid grid(size_t(n) * size_t(n));
  std::vector<float> plane(size_t(2) * grid.size());
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const std::complex<double> v(value(random), complexInput ? value(random) : 0.0);
      grid[size_t(y * n + x)] = v;
      plane[size_t(y) * 2 * size_t(n) + size_t(x)] = float(v.real());
      plane[size_t(y) * 2 * size_t(n) + size_t(n + x)] = float(v.imag());
    }
  TKXFftTables tables;
  tables.Init(n);
  KXFft2D(tables, plane.data(), direction, TProgressRec{}, 0, 1);
  const Grid expected = PlainDft2D(grid, size_t(n), direction);
  double worst = 0;
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const std::complex<double> got(plane[size_t(y) * 2 * size_t(n) + size_t(x)],
                                     plane[size_t(y) * 2 * size_t(n) + size_t(n + x)]);
      worst = std::max(worst, std::abs(got - expected[size_t(y * n + x)]));
    }
  EXPECT_LT(worst, 2e-5 * std::log2(2.0 * n)) << "n " << n;
}

INSTANTIATE_TEST_SUITE_P(Grids, FourierTransformTest,
                         testing::Values(TransformCase{1, false, -1}, TransformCase{1, true, 1},
                                         TransformCase{2, false, -1}, TransformCase{2, true, 1},
                                         TransformCase{4, true, -1}, TransformCase{4, false, 1},
                                         TransformCase{8, false, -1}, TransformCase{8, true, -1},
                                         TransformCase{8, true, 1}, TransformCase{64, false, -1},
                                         TransformCase{64, true, -1}, TransformCase{64, true, 1}));

// Rows the caller marks as zero padding are skipped by the row pass: the result is the same
// as transforming them.
TEST(FourierTransform, SkippedZeroRowsChangeNothing) {
  const int32_t n = 32;
  std::vector<float> full(size_t(2 * n * n), 0.0f);
  for (int32_t y = 10; y < 20; ++y)
    for (int32_t x = 0; x < n; ++x) full[size_t(y * 2 * n + x)] = float((x * 7 + y * 3) % 11);
  std::vector<float> skipped = full;
  TKXFftTables tables;
  tables.Init(n);
  KXFft2D(tables, full.data(), -1, TProgressRec{}, 0, 1);
  KXFft2D(tables, skipped.data(), -1, TProgressRec{}, 0, 1, 10, 19);
  EXPECT_EQ(full, skipped);
}

TEST(FourierTransform, TablesAndGridSizes) {
  TKXFftTables tables;
  tables.Init(8);
  EXPECT_EQ(tables.BitRev, (std::vector<int32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
  EXPECT_EQ(tables.PowTable, (std::vector<int32_t>{1, 2, 4, 8}));
  EXPECT_EQ(tables.Log2N, 3);
  EXPECT_FLOAT_EQ(tables.Scale, float(1 / std::sqrt(8.0)));
  tables.Init(1);
  EXPECT_EQ(tables.Log2N, 0);
  EXPECT_EQ(tables.BitRev, (std::vector<int32_t>{0}));
  const std::pair<int64_t, int32_t> sizes[] = {{1, 1},     {2, 2},         {3, 4},     {100, 128},
                                               {128, 128}, {16384, 16384}, {16385, 0}, {20000, 0}};
  for (const auto& [side, grid] : sizes) EXPECT_EQ(KXFtGridSize(side), grid) << side;
}

}  // namespace
