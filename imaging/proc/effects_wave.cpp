// Concentric waves. Every pixel is read back from a copy of the picture at a point moved along
// its ray from the centre and blended from the four pixels around that point. The wave's sine
// depends only on the distance from the centre, which is the same for the four mirror images of
// a pixel across the centre's row and column (their offsets are exact negatives of each other).
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/effects.h"

namespace kx {
namespace {

// Trunc(v) as a double, without a library call: doubles from 2^52 up are whole already. Every
// point the wave reads is finite.
inline double Truncated(double v) { return std::abs(v) < 4503599627370496.0 ? double(int64_t(v)) : v; }

// v - Trunc(v), plus 1 when that is negative.
inline double Fraction(double v) {
  const double f = v - Truncated(v);
  return f < 0 ? f + 1 : f;
}

// min(max(Trunc(v), lo), hi), without leaving the double range first: on a one-pixel side hi
// is lo - 1, and that wins.
inline int32_t LimitedTrunc(double v, int32_t lo, int32_t hi) {
  return int32_t(std::min(std::max(Truncated(v), double(lo)), double(hi)));
}

// Bytes as doubles by lookup, cheaper than converting each of the twelve a pixel blends.
struct TByteDoubles {
  double Of[256];
  constexpr TByteDoubles() : Of() {
    for (int i = 0; i < 256; ++i) Of[i] = i;
  }
};
constexpr TByteDoubles kByteDoubles;

// A blend of bytes lies within 0..255: its truncation is a plain conversion.
inline uint8_t ByteOf(double v) { return uint8_t(int32_t(v)); }

}  // namespace

void _wave(TBitmap& bitmap, int32_t amplitude, int32_t wavelength, int32_t phase, bool reflective,
           const TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || bitmap.Empty() || amplitude == 0 || wavelength == 0) return;
  TBitmap source;
  KXCopyBitmap(bitmap, source);
  const int32_t W = bitmap.Width(), H = bitmap.Height();
  const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0, hx = W / 2.0, hy = H / 2.0;
  const double sx = hx < hy ? hy / hx : 1, sy = hx > hy ? hx / hy : 1;
  const double L = 2.0 * wavelength, ph = phase * std::numbers::pi / 180, A = amplitude;
  const double perRow = 100.0 / H;

  // The sine of row y and column x equals that of row H - 1 - y and column W - 1 - x: one
  // quarter of them is computed, the rows of the lower half kept for the upper one.
  const int32_t halfW = W / 2 + 1, halfH = H / 2 + 1;
  std::vector<double> sines(static_cast<size_t>(halfW) * static_cast<size_t>(halfH));
  std::vector<double> dxs(static_cast<size_t>(W));
  for (int32_t x = 0; x < W; ++x) dxs[size_t(x)] = (x - cx) * sx;
  // Row j counts from the bottom; j = -1 or H (possible on a one-pixel side) reads as black.
  std::vector<const uint8_t*> rows(static_cast<size_t>(H));
  for (int32_t j = 0; j < H; ++j) rows[size_t(j)] = source.ScanLine(H - 1 - j);
  const auto sourceRow = [&](int32_t j) -> const uint8_t* { return j < 0 || j >= H ? nullptr : rows[size_t(j)]; };
  const bool inside = W >= 2 && H >= 2;
  const double* d = kByteDoubles.Of;
  for (int32_t y = 0; y < H; ++y) {
    const double dy = (y - cy) * sy;
    double* rowSines = sines.data() + size_t(std::min(y, H - 1 - y)) * size_t(halfW);
    if (y <= H - 1 - y)
      for (int32_t x = 0; x < std::min(halfW, W); ++x) {
        const double dx = dxs[size_t(x)];
        rowSines[x] = std::sin(std::sqrt(dx * dx + dy * dy) / L * 2 * std::numbers::pi + ph);
      }
    uint8_t* out = bitmap.ScanLine(H - 1 - y);
    for (int32_t x = 0; x < W; ++x) {
      const double dx = dxs[size_t(x)];
      const double s = rowSines[std::min(x, W - 1 - x)];
      double nx, ny;
      if (reflective) {
        const double m = A * std::abs(s);
        nx = cx + dx * m / sx;
        ny = cy + dy * m / sy;
      } else {
        const double m = A * s;
        nx = (m + dx) / sx + cx;
        ny = (m + dy) / sy + cy;
      }
      const int32_t i = LimitedTrunc(nx, 0, W - 2), j = LimitedTrunc(ny, 0, H - 2);
      const double fx = Fraction(nx), fy = Fraction(ny), gx = 1 - fx, gy = 1 - fy;
      uint8_t* px = out + size_t(x) * 3;
      if (inside) {
        // Both rows and both columns lie in the picture.
        const uint8_t* a = rows[size_t(j)] + size_t(i) * 3;
        const uint8_t* c = rows[size_t(j) + 1] + size_t(i) * 3;
        for (int k = 0; k < 3; ++k)
          px[k] = ByteOf(gy * (gx * d[a[k]] + fx * d[a[k + 3]]) + fy * (gx * d[c[k]] + fx * d[c[k + 3]]));
        continue;
      }
      const uint8_t* r0 = sourceRow(j);
      const uint8_t* r1 = sourceRow(j + 1);
      const auto at = [&](const uint8_t* row, int32_t col, int k) -> double {
        return row && col >= 0 && col < W ? row[size_t(col) * 3 + size_t(k)] : 0;
      };
      for (int k = 0; k < 3; ++k)
        px[k] =
            ByteOf(gy * (gx * at(r0, i, k) + fx * at(r0, i + 1, k)) + fy * (gx * at(r1, i, k) + fx * at(r1, i + 1, k)));
    }
    if (progress.fOnProgress.Assigned()) progress.fOnProgress(progress.Sender, KXTrunc(y * perRow));
  }
}

}  // namespace kx
