// The resampler. Each axis gets one contributor list per destination index (source index and
// weight in 14-bit fixed point) built once; the horizontal pass walks each row through it and
// the vertical pass adds whole source rows into a row of accumulators, which sums in the same
// order as a column walk and so gives the same bytes. The horizontal pass runs first unless
// the vertical one removes enough rows to make the other order cheaper; the two orders differ
// only in where the intermediate rounding to bytes falls. Each list's weights are scaled to sum to
// 1, so a constant picture stays constant at any scale (a shrink by 1.5 with the triangle
// would otherwise brighten it by a ninth), and rounded by running total so that the fixed-point
// sum stays exact however many there are. Rounding is ties-to-even on the fixed-point sum.
#include "imaging/proc/resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/proc/dib_draw.h"

namespace kx {

namespace {

// 14 fraction bits keep every weight (normalised, so below 2 in size) within 16 bits for the
// paired multiply-add of the vertical pass.
constexpr int kShift = 14;
constexpr int32_t kOne = 1 << kShift;
constexpr size_t kQuickContributors = 13;

double Sinc(double x) {
  if (x == 0) return 1;
  x *= std::numbers::pi;
  return std::sin(x) / x;
}

// Mirrors an index at the edges until it lies inside 0..n-1: one reflection is not enough when
// the kernel is wider than the picture.
int32_t Reflect(int64_t j, int64_t n) {
  while (j < 0 || j >= n) {
    if (j < 0) j = -j;
    if (j >= n) j = 2 * n - 1 - j;
  }
  return int32_t(j);
}

struct TContributors {
  std::vector<uint32_t> Start;  // destination index -> first entry; one extra at the end
  std::vector<int32_t> Index;   // source index
  std::vector<int32_t> Weight;  // fixed point
};

TContributors BuildContributors(int32_t srcLen, int32_t dstLen, TResampleFilter filter, size_t maxPerPixel) {
  TContributors c;
  c.Start.reserve(size_t(dstLen) + 1);
  const double scale = double(dstLen) / double(srcLen), support = KXFilterSupport(filter);
  const bool enlarging = scale >= 1;
  const double width = enlarging ? support : support / scale, fscale = 1 / scale;
  std::vector<double> weights;
  for (int32_t i = 0; i < dstLen; ++i) {
    c.Start.push_back(uint32_t(c.Index.size()));
    const double center = i / scale;
    const int64_t lo = int64_t(std::floor(center - width)), hi = int64_t(std::ceil(center + width));
    weights.clear();
    double sum = 0;
    for (int64_t j = lo; j <= hi && weights.size() < maxPerPixel; ++j) {
      const double w = enlarging ? KXFilterKernel(filter, center - double(j))
                                 : KXFilterKernel(filter, (center - double(j)) / fscale) / fscale;
      if (w == 0) continue;
      weights.push_back(w);
      sum += w;
      c.Index.push_back(Reflect(j, srcLen));
    }
    const double norm = sum != 0 ? 1 / sum : 1;
    double total = 0;
    int64_t given = 0;
    for (double w : weights) {
      total += w * norm;
      const int64_t upTo = int64_t(std::nearbyint(total * kOne));
      c.Weight.push_back(int32_t(std::clamp<int64_t>(upTo - given, INT16_MIN, INT16_MAX)));
      given = upTo;
    }
  }
  c.Start.push_back(uint32_t(c.Index.size()));
  return c;
}

// Nearest byte of a fixed-point sum, ties to even, clamped to 0..255.
inline uint8_t ToByte(int32_t acc) {
  const int32_t q = (acc + (kOne / 2 - 1) + ((acc >> kShift) & 1)) >> kShift;
  return uint8_t(std::clamp(q, 0, 255));
}

void HorizontalRow(const uint8_t* src, uint8_t* dst, const TContributors& c, int32_t dstLen) {
  for (int32_t i = 0; i < dstLen; ++i) {
    int32_t b = 0, g = 0, r = 0;
    for (uint32_t k = c.Start[size_t(i)], end = c.Start[size_t(i) + 1]; k < end; ++k) {
      const uint8_t* p = src + size_t(c.Index[k]) * 3;
      const int32_t w = c.Weight[k];
      b += w * p[0], g += w * p[1], r += w * p[2];
    }
    dst[0] = ToByte(b), dst[1] = ToByte(g), dst[2] = ToByte(r);
    dst += 3;
  }
}

// acc[x] += w0 * s0[x] + w1 * s1[x] over n bytes.
void AddRows(int32_t* acc, const uint8_t* s0, int32_t w0, const uint8_t* s1, int32_t w1, size_t n) {
  size_t x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_set1_epi32(int32_t(uint32_t(uint16_t(w0)) | (uint32_t(uint16_t(w1)) << 16)));
  for (; x + 16 <= n; x += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + x));
    const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
    const __m128i blo = _mm_unpacklo_epi8(b, zero), bhi = _mm_unpackhi_epi8(b, zero);
    __m128i* out = reinterpret_cast<__m128i*>(acc + x);
    const __m128i p0 = _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), weights);
    const __m128i p1 = _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), weights);
    const __m128i p2 = _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), weights);
    const __m128i p3 = _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), weights);
    _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(out), p0));
    _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1), p1));
    _mm_storeu_si128(out + 2, _mm_add_epi32(_mm_loadu_si128(out + 2), p2));
    _mm_storeu_si128(out + 3, _mm_add_epi32(_mm_loadu_si128(out + 3), p3));
  }
#endif
  for (; x < n; ++x) acc[x] += w0 * s0[x] + w1 * s1[x];
}

void VerticalRow(const TBitmap& src, uint8_t* dst, const TContributors& c, int32_t y, std::vector<int32_t>& acc) {
  std::fill(acc.begin(), acc.end(), 0);
  const size_t n = acc.size();
  int32_t* a = acc.data();
  uint32_t k = c.Start[size_t(y)];
  const uint32_t end = c.Start[size_t(y) + 1];
  for (; k + 1 < end; k += 2)
    AddRows(a, src.ScanLine(c.Index[k]), c.Weight[k], src.ScanLine(c.Index[k + 1]), c.Weight[k + 1], n);
  if (k < end) AddRows(a, src.ScanLine(c.Index[k]), c.Weight[k], src.ScanLine(c.Index[k]), 0, n);
  for (size_t x = 0; x < n; ++x) dst[x] = ToByte(a[x]);
}

void Report(const TProgressEvent& onProgress, void* sender, int64_t done, double units) {
  if (onProgress.Assigned()) onProgress(sender, std::min(100, int(double(done) * 100 / units)));
}

void Resample(const TBitmap& source, TBitmap& dest, TResampleFilter filter, const TProgressEvent& onProgress,
              void* sender, bool quick) {
  if (source.BitCount() != 24 || filter == rfNone || filter > rfMitchell || source.Empty() || dest.Empty()) return;
  const int32_t w0 = source.Width(), h0 = source.Height(), w1 = dest.Width(), h1 = dest.Height();
  dest.SetPixelFormat(pf24bit);
  const double units = double(w1) + h0 + 0.5;
  const size_t limit = quick ? kQuickContributors : SIZE_MAX;
  const bool stretchX = quick && w1 < w0, stretchY = quick && h1 < h0;
  const TContributors cx = stretchX ? TContributors{} : BuildContributors(w0, w1, filter, limit);
  const TContributors cy = stretchY ? TContributors{} : BuildContributors(h0, h1, filter, limit);

  // The horizontal pass gathers pixel by pixel; the vertical one adds whole rows, several
  // times faster per contribution. When shrinking a tall picture it pays to shrink the rows
  // first.
  const double horizontalFirst = double(h0) * double(cx.Index.size()) + 3.0 * w1 * double(cy.Index.size()) / 8;
  const double verticalFirst = 3.0 * w0 * double(cy.Index.size()) / 8 + double(h1) * double(cx.Index.size());
  std::vector<int32_t> acc;
  if (stretchX || stretchY || horizontalFirst <= verticalFirst) {
    TBitmap work(w1, h0, pf24bit);
    if (stretchX) {
      _KXBmpStretch(source, work);
    } else {
      for (int32_t y = 0; y < h0; ++y) {
        HorizontalRow(source.ScanLine(y), work.ScanLine(y), cx, w1);
        Report(onProgress, sender, y + 1, units);
      }
    }
    if (stretchY) {
      _KXBmpStretch(work, dest);
      return;
    }
    acc.resize(size_t(w1) * 3);
    for (int32_t y = 0; y < h1; ++y) {
      VerticalRow(work, dest.ScanLine(y), cy, y, acc);
      Report(onProgress, sender, h0 + int64_t(w1) * (y + 1) / h1, units);
    }
    return;
  }
  TBitmap work(w0, h1, pf24bit);
  acc.resize(size_t(w0) * 3);
  for (int32_t y = 0; y < h1; ++y) {
    VerticalRow(source, work.ScanLine(y), cy, y, acc);
    Report(onProgress, sender, int64_t(h0) * (y + 1) / h1, units);
  }
  for (int32_t y = 0; y < h1; ++y) {
    HorizontalRow(work.ScanLine(y), dest.ScanLine(y), cx, w1);
    Report(onProgress, sender, h0 + int64_t(w1) * (y + 1) / h1, units);
  }
}

}  // namespace

double KXFilterKernel(TResampleFilter filter, double x) {
  const double d = std::fabs(x);
  switch (filter) {
    case rfTriangle:
      return d < 1 ? 1 - d : 0;
    case rfHermite:
      return d < 1 ? (2 * d - 3) * d * d + 1 : 0;
    case rfBell:
      if (d < 0.5) return 0.75 - d * d;
      return d < 1.5 ? 0.5 * (d - 1.5) * (d - 1.5) : 0;
    case rfBSpline:
      if (d < 1) return 0.5 * d * d * d - d * d + 2.0 / 3;
      return d < 2 ? (2 - d) * (2 - d) * (2 - d) / 6 : 0;
    case rfLanczos3:
      return d < 3 ? Sinc(x) * Sinc(x / 3) : 0;
    case rfMitchell:
      if (d < 1) return (7 * d * d * d - 12 * d * d + 16.0 / 3) / 6;
      return d < 2 ? (-(7.0 / 3) * d * d * d + 12 * d * d - 20 * d + 32.0 / 3) / 6 : 0;
    default:
      return 0;
  }
}

double KXFilterSupport(TResampleFilter filter) {
  switch (filter) {
    case rfTriangle:
    case rfHermite:
      return 1;
    case rfBell:
      return 1.5;
    case rfBSpline:
    case rfMitchell:
      return 2;
    case rfLanczos3:
      return 3;
    default:
      return 0;
  }
}

void _Resample(const TBitmap& source, TBitmap& dest, TResampleFilter filter, const TProgressEvent& onProgress,
               void* sender) {
  Resample(source, dest, filter, onProgress, sender, false);
}

void _QuickResample(const TBitmap& source, TBitmap& dest, TResampleFilter filter, const TProgressEvent& onProgress,
                    void* sender) {
  Resample(source, dest, filter, onProgress, sender, true);
}

void _KXBmpStretch(const TBitmap& source, TBitmap& dest) {
  if (source.BitCount() != 24 && source.BitCount() != 1) return;
  dest.SetPixelFormat(source.PixelFormat());
  KXDrawDib(dest, Rect(0, 0, dest.Width(), dest.Height()), source, Rect(0, 0, source.Width(), source.Height()));
}

}  // namespace kx
