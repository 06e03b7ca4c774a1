// Frequency removal on a TKXFtImage: discs and rectangles of elements set to zero in every
// plane, row span by row span.
#include <algorithm>
#include <cmath>

#include "imaging/proc/fourier.h"

namespace kx {

namespace {

// The largest d with d^2 < limit, or -1 when limit <= 0: the half-width of a disc's row.
int64_t HalfSpan(int64_t limit) {
  if (limit <= 0) return -1;
  int64_t d = int64_t(std::sqrt(double(limit)));
  while (d > 0 && d * d >= limit) --d;
  while ((d + 1) * (d + 1) < limit) ++d;
  return d;
}

int32_t ToGrid(int64_t x, int32_t n) { return int32_t(std::clamp<int64_t>(x, -1, n)); }

}  // namespace

void TKXFtImage::ClearSpan(int32_t y, int32_t x1, int32_t x2) {
  const int32_t n = fTransformSize;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, n - 1);
  if (y < 0 || y >= n || x1 > x2) return;
  for (TChannel c : StoredChannels()) {
    float* re = fPlanes[c].data() + size_t(y) * size_t(2) * size_t(n);
    std::fill(re + x1, re + x2 + 1, 0.0f);
    std::fill(re + n + x1, re + n + x2 + 1, 0.0f);
  }
}

// Trunc(sqrt(q)) <= r holds exactly when q < (r + 1)^2, which keeps the test in integers.
void TKXFtImage::HiPass(int32_t radius) {
  if (Empty() || radius < 0) return;
  const int32_t n = fTransformSize, centre = n / 2;
  const int64_t limit = (int64_t(radius) + 1) * (int64_t(radius) + 1);
  for (int32_t y = 0; y < n; ++y) {
    const int64_t dy = y - centre, d = HalfSpan(limit - dy * dy);
    if (d >= 0) ClearSpan(y, ToGrid(centre - d, n), ToGrid(centre + d, n));
  }
}

void TKXFtImage::LoPass(int32_t radius) {
  if (Empty()) return;
  const int32_t n = fTransformSize, centre = n / 2;
  const int64_t limit = radius < 0 ? 0 : (int64_t(radius) + 1) * (int64_t(radius) + 1);
  for (int32_t y = 0; y < n; ++y) {
    const int64_t dy = y - centre, d = HalfSpan(limit - dy * dy);
    if (d < 0) {
      ClearSpan(y, 0, n - 1);
    } else {
      ClearSpan(y, 0, ToGrid(centre - d - 1, n));
      ClearSpan(y, ToGrid(centre + d + 1, n), n - 1);
    }
  }
}

void TKXFtImage::ClearZone(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (Empty()) return;
  for (int32_t y = std::max(y1, 0); y <= std::min(y2, fTransformSize - 1); ++y) ClearSpan(y, x1, x2);
}

}  // namespace kx
