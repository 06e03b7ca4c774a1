// Rotation by any angle. The three-shear rotation works on plain byte buffers in fixed point
// (weights out of 4096) and touches each pixel three times; the 1-bit rotation maps every
// output pixel back onto the source. Quarter and half turns go to their own routines.
#include "imaging/proc/rotate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/bitmap_copy.h"
#include "platform/memory.h"

namespace kx {

namespace {

inline bool GetBit(const uint8_t* row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void PutBit(uint8_t* row, int64_t x, bool on) {
  const uint8_t bit = uint8_t(0x80 >> (x & 7));
  row[x >> 3] = on ? row[x >> 3] | bit : row[x >> 3] & uint8_t(~bit);
}

inline uint8_t Blend(uint8_t prev, uint8_t cur, int32_t v, int32_t w) {
  return uint8_t(std::clamp((prev * v + cur * w + 2048) >> 12, 0, 255));
}

// Writes `n` pixels of `src` (step `sstep` bytes) to `dst` at positions u..u+n-1 of a line of
// `len` pixels (step `dstep`), then the trailing blend; `prev` starts as the background.
void ShearLine(const uint8_t* src, intptr_t sstep, int32_t n, uint8_t* dst, intptr_t dstep, int32_t len, int64_t u,
               int32_t v, int32_t w, bool antialias, const TRGB& bg) {
  uint8_t prev[3] = {bg.b, bg.g, bg.r};
  const int64_t first = std::max<int64_t>(0, -u), last = std::min<int64_t>(n, len - u);
  for (int64_t k = first; k < last; ++k) {
    const uint8_t* s = src + sstep * k;
    uint8_t* d = dst + dstep * (u + k);
    if (antialias) {
      d[0] = Blend(prev[0], s[0], v, w), d[1] = Blend(prev[1], s[1], v, w), d[2] = Blend(prev[2], s[2], v, w);
    } else {
      d[0] = s[0], d[1] = s[1], d[2] = s[2];
    }
    prev[0] = s[0], prev[1] = s[1], prev[2] = s[2];
  }
  const int64_t tail = u + n;
  if (antialias && v > 0 && tail >= 0 && tail < len) {
    uint8_t* d = dst + dstep * tail;
    d[0] = Blend(prev[0], bg.b, v, w), d[1] = Blend(prev[1], bg.g, v, w), d[2] = Blend(prev[2], bg.r, v, w);
  }
}

void FillLine(uint8_t* dst, intptr_t step, int64_t len, const TRGB& bg) {
  for (int64_t k = 0; k < len; ++k) std::memcpy(dst + step * k, &bg, 3);
}

int64_t Nearest(double x) { return int64_t(std::nearbyint(x)); }

struct TShearSizes {
  int64_t W1, d1, H2, h3, W3;  // H2 is the final height
};

TShearSizes ShearSizes(int64_t W, int64_t H, double t, double s) {
  TShearSizes z;
  z.W1 = Nearest(double(H) * t + double(W) + 1);
  z.d1 = Nearest(double(z.W1 - W) * s);
  const int64_t tall = Nearest(double(z.W1) * s + double(H) + 1);
  z.h3 = Nearest(double(tall - H - z.d1) * t);
  z.H2 = tall - 2 * z.d1;
  z.W3 = Nearest(double(z.H2) * t + double(z.W1) + 1 - double(2 * z.h3));
  return z;
}

}  // namespace

bool KXShearRotateAllowed(int64_t width, int64_t height, double angle) {
  const double r = angle * std::numbers::pi / 180;
  const TShearSizes z = ShearSizes(width, height, std::abs(std::sin(r / 2) / std::cos(r / 2)), std::abs(std::sin(r)));
  return KXPixelsAllowed(z.W1, height) && KXPixelsAllowed(z.W1, z.H2) && KXPixelsAllowed(z.W3, z.H2);
}

void KXShearRotate(const TBitmap& source, TBitmap& dest, double angle, bool antialias, TRGB bg,
                   TProgressRec& progress) {
  if (source.BitCount() != 24 || source.Empty()) return;
  const int64_t W = source.Width(), H = source.Height();
  const double r = angle * std::numbers::pi / 180;
  const double t = std::abs(std::sin(r / 2) / std::cos(r / 2)), s = std::abs(std::sin(r));
  const TShearSizes z = ShearSizes(W, H, t, s);
  const int64_t W1 = z.W1, d1 = z.d1, H2 = z.H2, h3 = z.h3, W3 = z.W3;
  if (!KXShearRotateAllowed(W, H, angle)) return;

  progress.val = 0;
  progress.per1 = 100.0 / (double(H) + double(W1) + double(H2) + 0.5);
  auto step = [&progress] {
    progress.Report();
    ++progress.val;
  };
  const bool positive = r > 0;

  // Pass 1: rows sheared horizontally into W1 x H.
  const size_t row1 = size_t(W1) * 3;
  // Large buffers come as huge-page blocks: far fewer page faults than plain heap memory.
  const TBlock pass1 = KXAllocZeroedBlock(row1 * size_t(H));
  for (int64_t y = 0; y < H; ++y) {
    step();
    const double offset = positive ? double(y) * t : double(H - y) * t;
    const int64_t u = Nearest(offset);
    const int32_t v = int32_t((offset - double(u)) * 4096), w = 4096 - v;
    uint8_t* line = pass1.get() + row1 * size_t(y);
    FillLine(line, 3, W1, bg);
    ShearLine(source.ScanLine(int32_t(y)), 3, int32_t(W), line, 3, int32_t(W1), u, v, w, antialias, bg);
  }

  // Pass 2: columns sheared vertically into W1 x H2. Walked row by row, each column keeping its
  // own offset, weights and previous pixel, so that both buffers are read and written in order.
  const TBlock pass2 = KXAllocZeroedBlock(row1 * size_t(H2));
  for (int64_t k = 0; k < W1 * H2; ++k) std::memcpy(pass2.get() + 3 * k, &bg, 3);
  std::vector<int64_t> shift(static_cast<size_t>(W1));
  std::vector<int32_t> weightPrev(static_cast<size_t>(W1));
  std::vector<uint8_t> prev(row1);
  for (int64_t c = 0; c < W1; ++c) {
    step();
    const double offset = positive ? double(W1 - c) * s : double(c) * s;
    const int64_t u = Nearest(offset);
    weightPrev[size_t(c)] = int32_t(Nearest((offset - double(u)) * 4096));
    shift[size_t(c)] = u - d1;
    std::memcpy(prev.data() + 3 * c, &bg, 3);
  }
  for (int64_t y = 0; y < H; ++y) {
    const uint8_t* src = pass1.get() + row1 * size_t(y);
    for (int64_t c = 0; c < W1; ++c) {
      const int64_t row = y + shift[size_t(c)];
      if (row < 0 || row >= H2) continue;
      const uint8_t* cur = src + 3 * c;
      uint8_t* d = pass2.get() + row1 * size_t(row) + 3 * c;
      uint8_t* p = prev.data() + 3 * c;
      if (antialias) {
        const int32_t v = weightPrev[size_t(c)], w = 4096 - v;
        d[0] = Blend(p[0], cur[0], v, w), d[1] = Blend(p[1], cur[1], v, w), d[2] = Blend(p[2], cur[2], v, w);
      } else {
        d[0] = cur[0], d[1] = cur[1], d[2] = cur[2];
      }
      p[0] = cur[0], p[1] = cur[1], p[2] = cur[2];
    }
  }
  for (int64_t c = 0; antialias && c < W1; ++c) {
    const int64_t row = shift[size_t(c)] + H;
    const int32_t v = weightPrev[size_t(c)], w = 4096 - v;
    if (v <= 0 || row < 0 || row >= H2) continue;
    uint8_t* d = pass2.get() + row1 * size_t(row) + 3 * c;
    const uint8_t* p = prev.data() + 3 * c;
    d[0] = Blend(p[0], bg.b, v, w), d[1] = Blend(p[1], bg.g, v, w), d[2] = Blend(p[2], bg.r, v, w);
  }

  // Pass 3: rows sheared horizontally into the W3 x H2 result.
  dest.SetSize(0, 0);
  dest.SetPixelFormat(pf24bit);
  dest.SetSize(int32_t(W3), int32_t(H2));
  for (int64_t y = 0; y < H2; ++y) {
    step();
    const double offset = positive ? double(y) * t : double(H2 - y) * t;
    int64_t u = Nearest(offset);
    const int32_t v = int32_t(Nearest((offset - double(u)) * 4096)), w = 4096 - v;
    u -= h3;
    uint8_t* line = dest.ScanLine(int32_t(y));
    FillLine(line, 3, W3, bg);
    ShearLine(pass2.get() + row1 * size_t(y), 3, int32_t(W1), line, 3, int32_t(W3), u, v, w, antialias, bg);
  }
}

void _rotate1bit(TBitmap& bitmap, bool fillBit, TProgressRec& progress, double angle) {
  if (bitmap.BitCount() != 1 || bitmap.Empty()) return;
  const double b = angle / -57.295779513082320877;
  const double c = std::trunc(std::cos(b) * 10000) / 10000, sn = std::trunc(std::sin(b) * 10000) / 10000;
  const int64_t W = bitmap.Width(), H = bitmap.Height();
  const int64_t l = int64_t(std::abs(double(W) * c) + std::abs(double(H) * sn));
  const int64_t m = int64_t(std::abs(double(W) * sn) + std::abs(c * double(H)));
  if (!KXPixelsAllowed(l, m)) return;
  auto reportRow = [&](int64_t row) {
    if (progress.fOnProgress.Assigned())
      progress.fOnProgress(progress.Sender, int(std::min<int64_t>(100, row * 100 / m)));
  };
  // A cosine or sine of exactly 0 makes the mapping below take every output pixel from one
  // source pixel without rounding: a quarter turn, the half turn or the picture as it is.
  const bool quarter = c == 0 && std::abs(sn) == 1, half = sn == 0 && c == -1, whole = sn == 0 && c == 1;
  if (quarter || half || whole) {
    TBitmap noSpare;
    if (quarter)
      KXTurnInPlace(bitmap, sn < 0, noSpare);
    else if (half)
      KXMirror(bitmap, true);
    for (int64_t row = 0; row < m; ++row) reportRow(row);
    return;
  }
  TBitmap out(int32_t(l), int32_t(m), pf1bit);
  const double cx = double(W) / 2 - 0.5, cy = double(H) / 2 - 0.5;
  const double ox = double(l) / 2 - 0.5, oy = double(m) / 2 - 0.5;
  for (int64_t row = 0; row < m; ++row) {
    const double o = double(row) - oy;
    uint8_t* drow = out.ScanLine(int32_t(row));
    for (int64_t col = 0; col < l; ++col) {
      const double q = double(col) - ox;
      // Floor, not truncation: a point just left of or above the picture lies outside it.
      const double fx = std::floor(cx + c * q + sn * o), fy = std::floor(cy - sn * q + c * o);
      const bool inside = fx >= 0 && fy >= 0 && fx < double(W) && fy < double(H);
      PutBit(drow, col, inside ? GetBit(bitmap.ScanLine(int32_t(fy)), int64_t(fx)) : fillBit);
    }
    reportRow(row);
  }
  KXCopyBitmap(out, bitmap);
}

}  // namespace kx
