// The radix-2 transform behind TKXFtImage: the tables of one transform size and the 2-D
// transform of a complex plane (N rows of N real parts followed by N imaginary parts, in single
// precision). Each 1-D pass is scaled by 1/sqrt(N), so forward and inverse are each other's
// exact inverse and the transform keeps the sum of squares (Parseval).
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/progress.h"

namespace kx {

// The largest side of a transform grid: a plane of it holds 2 GiB of floats.
constexpr int32_t kKXFtMaxSize = 16384;

// Tables of one transform size N (a power of two, 1..kKXFtMaxSize), built once per size.
struct TKXFftTables {
  std::vector<double> SineTable;  // sin(2 pi i / N), i = 0..N - 1
  std::vector<int32_t> BitRev;    // bitrev(i)
  std::vector<int32_t> PowTable;  // 2^k, k = 0..log2 N
  int32_t Size = 0;               // N of the tables
  int32_t Log2N = 0;
  float Scale = 0;  // 1 / sqrt(N)
  // The twiddles of every stage, laid out so that the stage of half-size h (h = 1, 2, 4, ...
  // N / 2) finds cos(pi k / h) and sin(pi k / h), k = 0..h - 1, contiguously from index h:
  // one vector load serves several butterflies. The forward sines are stored negated.
  std::vector<float> Cos, SinInverse, SinForward;

  // fftinit: the tables for a transform of n points.
  void Init(int32_t n);
};

// bitrev: i with its `bits` lowest bits in reverse order.
int32_t KXBitReverse(int32_t i, int32_t bits);

// The smallest power of two not below `side` (1 for 1); 0 above kKXFtMaxSize.
int32_t KXFtGridSize(int64_t side);

// fft2d: transforms the N x N plane of `tables`' size in place, forward (direction -1) or inverse
// (+1): every row, then every column. Rows outside firstRow..lastRow are known to be zero (the
// padding around a picture) and are left as they are by the row pass. After each block of
// columns the progress handler hears Trunc(per1 x j + per1 x pass x N) for the block's last
// column j, with per1 = 100 / (passes x N).
void KXFft2D(const TKXFftTables& tables, float* plane, int direction, const TProgressRec& progress, int32_t pass,
             int32_t passes, int32_t firstRow = 0, int32_t lastRow = -1);

}  // namespace kx
