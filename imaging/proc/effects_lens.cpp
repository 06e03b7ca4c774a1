// The elliptic lens. A ray through (x, y) of the box, seen from above a half ellipsoid of height
// z, is refracted with the ratio `ref`: with r = sqrt(y^2 + z^2) its angle of incidence has the
// sine |y| / r and its refracted angle the cosine z / (r ref), and the point it comes from is
// y' = |y| - z tan(phi), phi being the difference of the two angles. Expanding the tangent of
// the difference gives y' = |y| - (|y| - q) z^2 / (z^2 + |y| q) with q = sqrt(ref^2 r^2 - z^2):
// no trigonometry, and ref = 1 gives q = |y|, so the lens is then exactly the identity. The
// sign of y is put back afterwards, so that both halves of the lens bend the same way; x goes
// the same way as y.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/effects.h"

namespace kx {
namespace {

// Refractions beyond this push every ray to the box's edge already.
constexpr double kMaxRefraction = 1e100;
// Columns done together: one pass down the box per group keeps reads and writes within a few
// cache lines per row, while each column is still reported as it is finished.
constexpr int32_t kColumnGroup = 32;

double Refracted(double v, double z, double ref) {
  const double a = std::abs(v), zz = z * z;
  const double q = std::sqrt(ref * ref * (a * a + zz) - zz);
  const double moved = a - (a - q) * zz / (zz + a * q);
  return v < 0 ? -moved : moved;
}

// origin + Trunc(offset), limited to 0..size - 1; offsets far outside the picture are cut
// first so the truncation stays in range.
int32_t SourceIndex(int32_t origin, double offset, int32_t size) {
  const double cut = std::clamp(offset, -double(size) - 1, double(size) + 1);
  return std::clamp(origin + KXTrunc(cut), 0, size - 1);
}

}  // namespace

void _lens(TBitmap& bitmap, int32_t x, int32_t y, int32_t width, int32_t height, double refraction,
           const TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return;
  const int32_t W = bitmap.Width(), H = bitmap.Height();
  const auto limit = [](int64_t v, int32_t size) { return int32_t(std::clamp<int64_t>(v, 0, size - 1)); };
  const int32_t left = limit(int64_t(x) - width / 2, W), top = limit(int64_t(y) - height / 2, H);
  const int32_t right = limit(int64_t(x) + width / 2, W), bottom = limit(int64_t(y) + height / 2, H);
  const int32_t bw = right - left, bh = bottom - top;
  if (bw <= 0 || bh <= 0) return;
  const double a = bw / 2.0, b = bh / 2.0, m = std::min(a, b);
  const double ref = std::isnan(refraction) ? 1.0 : std::clamp(refraction, 1.0, kMaxRefraction);

  std::vector<TRGB> lens(size_t(bw) * size_t(bh));
  std::vector<const TRGB*> rows(static_cast<size_t>(H));
  for (int32_t r = 0; r < H; ++r) rows[size_t(r)] = reinterpret_cast<const TRGB*>(bitmap.ScanLine(r));
  for (int32_t k0 = 0; k0 < bw; k0 += kColumnGroup) {
    const int32_t k1 = std::min(k0 + kColumnGroup, bw);
    for (int32_t i = 0; i < bh; ++i) {
      const double vy = b - i - 0.5;
      TRGB* out = lens.data() + size_t(i) * size_t(bw);
      for (int32_t k = k0; k < k1; ++k) {
        const double vx = k - a + 0.5;
        if (b * b - b * b * vx * vx / (a * a) <= vy * vy) {
          out[k] = rows[size_t(top + i)][left + k];
          continue;
        }
        const double z = std::sqrt(std::max(0.0, (1 - vx * vx / (a * a) - vy * vy / (b * b)) * m * m));
        const int32_t sx = SourceIndex(left, Refracted(vx, z, ref) + a, W);
        const int32_t sy = SourceIndex(top, b - Refracted(vy, z, ref), H);
        out[k] = rows[size_t(sy)][sx];
      }
    }
    if (progress.fOnProgress.Assigned())
      for (int32_t k = k0; k < k1; ++k) progress.fOnProgress(progress.Sender, KXTrunc((k + 1) * 100.0 / (bw + 0.5)));
  }
  for (int32_t i = 0; i < bh; ++i)
    std::copy_n(lens.data() + size_t(i) * size_t(bw), bw, reinterpret_cast<TRGB*>(bitmap.ScanLine(top + i)) + left);
}

}  // namespace kx
