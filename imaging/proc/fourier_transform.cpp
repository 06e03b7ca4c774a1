// The radix-2 transform: iterative butterflies over a bit-reversed row, with the twiddles of
// each stage read contiguously, so that the compiler turns the inner loops into vector code.
// Columns are not gathered one by one: a block of kColumnBlock columns is copied (in bit-reversed
// row order) into a small buffer that stays in the cache, and every butterfly there works on a
// whole block row at once with one twiddle.
#include "imaging/proc/fourier_transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "imaging/core/pixelformat.h"

namespace kx {

namespace {

// Columns per block of the column pass: one cache line of real parts and one of imaginary
// parts per row; a 4096-point block then needs 512 KiB.
constexpr int32_t kColumnBlock = 16;

// W butterflies of one stage at once: upper u and lower l become u + w l and u - w l.
template <int W>
inline void Butterflies(float* __restrict ur, float* __restrict ui, float* __restrict lr, float* __restrict li,
                        const float* __restrict c, const float* __restrict s) {
  for (int k = 0; k < W; ++k) {
    const float tr = lr[k] * c[k] - li[k] * s[k];
    const float ti = lr[k] * s[k] + li[k] * c[k];
    lr[k] = ur[k] - tr;
    li[k] = ui[k] - ti;
    ur[k] += tr;
    ui[k] += ti;
  }
}

// The same butterfly for W neighbouring columns that share the twiddle (c, s).
template <int W>
inline void ColumnButterflies(float* __restrict ur, float* __restrict ui, float* __restrict lr, float* __restrict li,
                              float c, float s) {
  for (int k = 0; k < W; ++k) {
    const float tr = lr[k] * c - li[k] * s;
    const float ti = lr[k] * s + li[k] * c;
    lr[k] = ur[k] - tr;
    li[k] = ui[k] - ti;
    ur[k] += tr;
    ui[k] += ti;
  }
}

// The first two stages of a row of n >= 4 points, whose twiddles are 1 and +-i: no products.
// `sign` is the sine of the quarter turn in this direction.
void FirstTwoStages(float* re, float* im, int32_t n, float sign) {
  for (int32_t i = 0; i < n; i += 4) {
    const float r0 = re[i] + re[i + 1], i0 = im[i] + im[i + 1];
    const float r1 = re[i] - re[i + 1], i1 = im[i] - im[i + 1];
    const float r2 = re[i + 2] + re[i + 3], i2 = im[i + 2] + im[i + 3];
    const float r3 = re[i + 2] - re[i + 3], i3 = im[i + 2] - im[i + 3];
    // (r3, i3) times (0, sign).
    const float tr = -sign * i3, ti = sign * r3;
    re[i] = r0 + r2, im[i] = i0 + i2;
    re[i + 2] = r0 - r2, im[i + 2] = i0 - i2;
    re[i + 1] = r1 + tr, im[i + 1] = i1 + ti;
    re[i + 3] = r1 - tr, im[i + 3] = i1 - ti;
  }
}

// One unscaled row in place.
void TransformRow(const TKXFftTables& t, float* re, float* im, const float* sines) {
  const int32_t n = t.Size;
  const int32_t* rev = t.BitRev.data();
  for (int32_t i = 0; i < n; ++i) {
    const int32_t j = rev[i];
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  int32_t h = 1;
  if (n >= 4) {
    FirstTwoStages(re, im, n, sines[3]);
    h = 4;
  }
  for (; h < n; h *= 2) {
    const float* c = t.Cos.data() + h;
    const float* s = sines + h;
    for (int32_t b = 0; b < n; b += 2 * h) {
      float* ur = re + b;
      float* ui = im + b;
      if (h == 1) {
        Butterflies<1>(ur, ui, ur + 1, ui + 1, c, s);
      } else if (h == 4) {
        Butterflies<4>(ur, ui, ur + 4, ui + 4, c, s);
      } else {
        for (int32_t k = 0; k < h; k += 8) Butterflies<8>(ur + k, ui + k, ur + h + k, ui + h + k, c + k, s + k);
      }
    }
  }
}

// The column pass over columns x0..x0 + count - 1 through `re` and `im`, n block rows of
// kColumnBlock floats each; the result is scaled by `scale` on the way back.
void TransformColumns(const TKXFftTables& t, float* plane, int32_t x0, int32_t count, const float* sines,
                      float* __restrict re, float* __restrict im, float scale) {
  const int32_t n = t.Size;
  const size_t stride = size_t(2) * size_t(n);
  const int32_t* rev = t.BitRev.data();
  for (int32_t y = 0; y < n; ++y) {
    const float* row = plane + size_t(y) * stride + x0;
    float* toRe = re + size_t(rev[y]) * kColumnBlock;
    float* toIm = im + size_t(rev[y]) * kColumnBlock;
    std::copy_n(row, count, toRe);
    std::copy_n(row + n, count, toIm);
  }
  for (int32_t h = 1; h < n; h *= 2) {
    for (int32_t b = 0; b < n; b += 2 * h)
      for (int32_t k = 0; k < h; ++k) {
        const size_t u = size_t(b + k) * kColumnBlock, l = u + size_t(h) * kColumnBlock;
        ColumnButterflies<kColumnBlock>(re + u, im + u, re + l, im + l, t.Cos[size_t(h + k)], sines[h + k]);
      }
  }
  for (int32_t y = 0; y < n; ++y) {
    float* row = plane + size_t(y) * stride + x0;
    const float* fromRe = re + size_t(y) * kColumnBlock;
    const float* fromIm = im + size_t(y) * kColumnBlock;
    for (int32_t x = 0; x < count; ++x) {
      row[x] = fromRe[x] * scale;
      row[n + x] = fromIm[x] * scale;
    }
  }
}

}  // namespace

int32_t KXBitReverse(int32_t i, int32_t bits) {
  int32_t r = 0;
  for (int32_t k = 0; k < bits; ++k)
    if (i & (1 << k)) r |= 1 << (bits - 1 - k);
  return r;
}

int32_t KXFtGridSize(int64_t side) {
  if (side > kKXFtMaxSize) return 0;
  int32_t n = 1;
  while (n < side) n *= 2;
  return n;
}

void TKXFftTables::Init(int32_t n) {
  Size = n;
  Log2N = KXTrunc(std::log(double(n)) / std::log(2.0) + 0.5);
  Scale = float(1.0 / std::sqrt(double(n)));
  SineTable.resize(size_t(n));
  BitRev.resize(size_t(n));
  for (int32_t i = 0; i < n; ++i) {
    SineTable[size_t(i)] = std::sin(2 * std::numbers::pi * i / n);
    BitRev[size_t(i)] = KXBitReverse(i, Log2N);
  }
  PowTable.resize(size_t(Log2N) + 1);
  for (int32_t k = 0; k <= Log2N; ++k) PowTable[size_t(k)] = KXTrunc(std::pow(2.0, k) + 0.5);
  // Stage h turns by pi k / h, which is step k x N / (2h) of the sine table; the cosine is the
  // sine a quarter period on. A 2-point transform has only the twiddle 1.
  Cos.assign(size_t(std::max(n, 2)), 1.0f);
  SinInverse.assign(Cos.size(), 0.0f);
  SinForward.assign(Cos.size(), 0.0f);
  for (int32_t h = 2; h < n; h *= 2)
    for (int32_t k = 0; k < h; ++k) {
      const int32_t step = k * (n / (2 * h));
      Cos[size_t(h + k)] = float(SineTable[size_t((step + n / 4) % n)]);
      SinInverse[size_t(h + k)] = float(SineTable[size_t(step)]);
      SinForward[size_t(h + k)] = -SinInverse[size_t(h + k)];
    }
}

void KXFft2D(const TKXFftTables& tables, float* plane, int direction, const TProgressRec& progress, int32_t pass,
             int32_t passes, int32_t firstRow, int32_t lastRow) {
  const int32_t n = tables.Size;
  // A 1-point transform is the identity (and the scale 1).
  if (n < 2) return;
  const float* sines = direction == 1 ? tables.SinInverse.data() : tables.SinForward.data();
  if (lastRow < 0) lastRow = n - 1;
  const size_t stride = size_t(2) * size_t(n);
  for (int32_t y = firstRow; y <= lastRow; ++y) {
    float* row = plane + size_t(y) * stride;
    TransformRow(tables, row, row + n, sines);
  }
  std::vector<float> block(size_t(2) * size_t(n) * kColumnBlock, 0.0f);
  float* re = block.data();
  float* im = re + size_t(n) * kColumnBlock;
  const float scale = tables.Scale * tables.Scale;
  const double per1 = 100.0 / (double(passes) * n);
  for (int32_t x0 = 0; x0 < n; x0 += kColumnBlock) {
    const int32_t count = std::min(kColumnBlock, n - x0);
    TransformColumns(tables, plane, x0, count, sines, re, im, scale);
    if (progress.fOnProgress.Assigned())
      progress.fOnProgress(progress.Sender, KXTrunc(per1 * (x0 + count - 1) + per1 * pass * n));
  }
}

}  // namespace kx
