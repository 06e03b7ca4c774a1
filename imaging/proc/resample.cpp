// The resampler. Each axis gets one contributor list per destination index (source index and
// weight in 14-bit fixed point) built once. The horizontal pass always runs first and rounds to
// bytes; the vertical pass then works on that result (the other order would round elsewhere and
// change hard edges by dozens of levels). The horizontal pass reads four consecutive source
// pixels per load from a padded copy of each row (weights of mirrored indices merged into the
// pixels they mirror to) and sums them with two multiply-adds. The vertical pass adds whole rows
// of a strip of columns into accumulators, which sums in the same order as a column walk and so
// gives the same bytes, and reports each column of a strip when the strip is done. Each list's
// weights are scaled to sum to 1, so a constant picture stays constant at any scale (a shrink by
// 1.5 with the triangle would otherwise brighten it by a ninth), and rounded by running total so
// that the fixed-point sum stays exact however many there are. Rounding is ties-to-even on the
// fixed-point sum.
#include "imaging/proc/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/core/limits.h"
#include "imaging/proc/dib_draw.h"
#include "imaging/proc/simd_x86.h"

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

// Columns the vertical pass finishes together: a strip of rows that stays in the cache.
constexpr int32_t kStripColumns = 256;

void Report(const TProgressEvent& onProgress, void* sender, int64_t done, double units) {
  if (onProgress.Assigned()) onProgress(sender, std::min(100, int(double(done) * 100 / units)));
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

#if defined(KX_X86)
// The horizontal contributors as runs of consecutive source pixels, four at a time: each
// destination index starts at pixel First[i] and owns the groups Start[i] .. Start[i + 1] - 1.
// A mirrored index's weight joins the pixel it mirrors to (the integer sums stay the same) and
// the run ends in zero weights. Each group holds two multiply-add weight vectors: w0 w1 w0 w1
// w0 w1 0 0 for its first two pixels and w2 w3 ... for the other two.
struct TRunTaps {
  std::vector<int32_t> First;
  std::vector<uint32_t> Start;
  std::vector<int16_t> Lanes;
};

// False when a merged weight leaves 16 bits.
bool BuildRunTaps(const TContributors& c, int32_t dstLen, TRunTaps& runs) {
  runs.First.resize(size_t(dstLen));
  runs.Start.assign(1, 0);
  std::vector<int32_t> dense;
  for (int32_t i = 0; i < dstLen; ++i) {
    const uint32_t k0 = c.Start[size_t(i)], k1 = c.Start[size_t(i) + 1];
    int32_t lo = INT32_MAX, hi = -1;
    for (uint32_t k = k0; k < k1; ++k) lo = std::min(lo, c.Index[k]), hi = std::max(hi, c.Index[k]);
    if (hi < lo) lo = hi = 0;
    const size_t groups = (size_t(hi - lo) + 4) / 4;
    dense.assign(groups * 4, 0);
    for (uint32_t k = k0; k < k1; ++k) dense[size_t(c.Index[k] - lo)] += c.Weight[k];
    for (size_t g = 0; g < groups; ++g)
      for (size_t half = 0; half < 2; ++half) {
        const int32_t w0 = dense[g * 4 + half * 2], w1 = dense[g * 4 + half * 2 + 1];
        if (w0 < INT16_MIN || w0 > INT16_MAX || w1 < INT16_MIN || w1 > INT16_MAX) return false;
        for (int lane = 0; lane < 3; ++lane) runs.Lanes.push_back(int16_t(w0)), runs.Lanes.push_back(int16_t(w1));
        runs.Lanes.push_back(0), runs.Lanes.push_back(0);
      }
    runs.First[size_t(i)] = lo;
    runs.Start.push_back(runs.Start.back() + uint32_t(groups));
  }
  return true;
}

// `src` is a row followed by at least 16 spare bytes. Four pixels are 12 bytes of one load;
// two shuffles spread pixels 0, 1 and 2, 3 into blue, green and red pairs for the weights.
KX_SSSE3 void HorizontalRowSsse3(const uint8_t* src, uint8_t* dst, const TRunTaps& runs, int32_t dstLen) {
  const __m128i pair01 = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  const __m128i pair23 = _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  const int16_t* lanes = runs.Lanes.data();
  for (int32_t i = 0; i < dstLen; ++i) {
    const uint8_t* p = src + size_t(runs.First[size_t(i)]) * 3;
    __m128i sum = _mm_setzero_si128();
    for (uint32_t g = runs.Start[size_t(i)], end = runs.Start[size_t(i) + 1]; g < end; ++g, p += 12) {
      const __m128i pixels = Load16(p);
      const int16_t* w = lanes + size_t(g) * 16;
      sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(pixels, pair01), Load16(w)));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(pixels, pair23), Load16(w + 8)));
    }
    alignas(16) int32_t bgr[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(bgr), sum);
    dst[0] = ToByte(bgr[0]), dst[1] = ToByte(bgr[1]), dst[2] = ToByte(bgr[2]);
    dst += 3;
  }
}
#endif

void HorizontalPass(const TBitmap& source, TBitmap& work, const TContributors& c, const TProgressEvent& onProgress,
                    void* sender, double units) {
  const int32_t w1 = work.Width();
#if defined(KX_X86)
  TRunTaps runs;
  if (HasSsse3() && BuildRunTaps(c, w1, runs)) {
    const size_t bytes = size_t(source.Width()) * 3;
    std::vector<uint8_t> row(bytes + 32);
    for (int32_t y = 0; y < source.Height(); ++y) {
      std::memcpy(row.data(), source.ScanLine(y), bytes);
      HorizontalRowSsse3(row.data(), work.ScanLine(y), runs, w1);
      Report(onProgress, sender, y + 1, units);
    }
    return;
  }
#endif
  for (int32_t y = 0; y < source.Height(); ++y) {
    HorizontalRow(source.ScanLine(y), work.ScanLine(y), c, w1);
    Report(onProgress, sender, y + 1, units);
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

// Bytes x0 .. x0 + acc.size() - 1 of destination row y.
void VerticalRow(const TBitmap& src, uint8_t* dst, const TContributors& c, int32_t y, size_t x0,
                 std::vector<int32_t>& acc) {
  std::fill(acc.begin(), acc.end(), 0);
  const size_t n = acc.size();
  int32_t* a = acc.data();
  uint32_t k = c.Start[size_t(y)];
  const uint32_t end = c.Start[size_t(y) + 1];
  for (; k + 1 < end; k += 2)
    AddRows(a, src.ScanLine(c.Index[k]) + x0, c.Weight[k], src.ScanLine(c.Index[k + 1]) + x0, c.Weight[k + 1], n);
  if (k < end) AddRows(a, src.ScanLine(c.Index[k]) + x0, c.Weight[k], src.ScanLine(c.Index[k]) + x0, 0, n);
  for (size_t x = 0; x < n; ++x) dst[x0 + x] = ToByte(a[x]);
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

  // The rows-first order needs a work picture of the new width and the old height.
  if (!KXPixelsAllowed(w1, h0)) return;
  TBitmap work(w1, h0, pf24bit);
  if (stretchX) {
    _KXBmpStretch(source, work);
  } else {
    HorizontalPass(source, work, cx, onProgress, sender, units);
  }
  if (stretchY) {
    _KXBmpStretch(work, dest);
    return;
  }
  std::vector<int32_t> acc;
  for (int32_t x0 = 0; x0 < w1; x0 += kStripColumns) {
    const int32_t columns = std::min(kStripColumns, w1 - x0);
    acc.resize(size_t(columns) * 3);
    for (int32_t y = 0; y < h1; ++y) VerticalRow(work, dest.ScanLine(y), cy, y, size_t(x0) * 3, acc);
    for (int32_t k = x0; k < x0 + columns; ++k) Report(onProgress, sender, int64_t(h0) + k + 1, units);
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
