// Histogram, distinct-colour count and histogram equalisation with neighbourhood choice.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/proc/color.h"
#include "imaging/proc/color_rows.h"
#include "imaging/proc/pixel_convert.h"

namespace kx {

namespace {

// The rectangle cut to the picture; false when nothing of it is left.
bool CutToBitmap(const TBitmap& b, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  x1 = std::max(x1, 0), y1 = std::max(y1, 0);
  x2 = std::min(x2, b.Width() - 1), y2 = std::min(y2, b.Height() - 1);
  return x1 <= x2 && y1 <= y2;
}

}  // namespace

void _GetHistogram(const TBitmap& bitmap, THistogram& histogram, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  std::fill(std::begin(histogram), std::end(histogram), THistogramItem{});
  if (bitmap.BitCount() != 24 || !CutToBitmap(bitmap, x1, y1, x2, y2)) return;
  for (int32_t y = y1; y <= y2; ++y) {
    const TRGB* p = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    for (int32_t x = x1; x <= x2; ++x) {
      const TRGB c = p[x];
      ++histogram[c.r].r, ++histogram[c.g].g, ++histogram[c.b].b, ++histogram[_RGBToGray(c)].Gray;
    }
  }
}

int32_t _GetImageNumColors(const TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (bitmap.BitCount() != 24 || !CutToBitmap(bitmap, x1, y1, x2, y2)) return 0;
  // One bit per 24-bit colour (2 MiB): cheaper than any hash once a picture has many colours.
  std::vector<uint64_t> seen(size_t(1) << 18);
  int32_t count = 0;
  for (int32_t y = y1; y <= y2; ++y) {
    const TRGB* p = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    for (int32_t x = x1; x <= x2; ++x) {
      const uint32_t key = uint32_t(p[x].r) << 16 | uint32_t(p[x].g) << 8 | p[x].b;
      uint64_t& word = seen[key >> 6];
      const uint64_t bit = uint64_t(1) << (key & 63);
      count += (word & bit) == 0;
      word |= bit;
    }
  }
  return count;
}

void _HistAutoEqualize(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress) {
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const int64_t quota = int64_t(w) * h / 256;
  // Fewer than 256 pixels give no ranges to choose from: every level stays where it is.
  if (quota == 0) return;
  THistogram histogram;
  _GetHistogram(bitmap, histogram, 0, 0, w - 1, h - 1);
  uint8_t left[256], right[256];
  int64_t r = 0, s = 0;
  for (int z = 0; z < 256; ++z) {
    left[z] = uint8_t(std::min<int64_t>(r, 255));
    s += histogram[z].Gray;
    while (s > quota) s -= quota, ++r;
    right[z] = uint8_t(std::min<int64_t>(r, 255));
  }
  TBitmap result(x2 - x1 + 1, y2 - y1 + 1);
  for (int32_t y = y1; y <= y2; ++y) {
    const TRGB* rows[3] = {reinterpret_cast<const TRGB*>(bitmap.ScanLine(std::max(y - 1, 0))),
                           reinterpret_cast<const TRGB*>(bitmap.ScanLine(y)),
                           reinterpret_cast<const TRGB*>(bitmap.ScanLine(std::min(y + 1, h - 1)))};
    TRGB* out = reinterpret_cast<TRGB*>(result.ScanLine(y - y1));
    for (int32_t x = x1; x <= x2; ++x) {
      const int32_t xs[3] = {std::max(x - 1, 0), x, std::min(x + 1, w - 1)};
      uint32_t sum[3] = {0, 0, 0};
      for (const TRGB* row : rows)
        for (int32_t xx : xs) sum[0] += row[xx].b, sum[1] += row[xx].g, sum[2] += row[xx].r;
      const TRGB mean{uint8_t(sum[0] / 9), uint8_t(sum[1] / 9), uint8_t(sum[2] / 9)};
      const TRGB own = rows[1][x];
      const uint8_t gm = _RGBToGray(mean), z = _RGBToGray(own);
      TRGB& o = out[x - x1];
      if (left[z] == right[z] || gm < left[z])
        o = TRGB{left[own.b], left[own.g], left[own.r]};
      else if (gm > right[z])
        o = TRGB{right[own.b], right[own.g], right[own.r]};
      else
        o = mean;
    }
    ReportRow(progress, y, y1, y2);
  }
  const size_t bytes = size_t(result.Width()) * 3;
  for (int32_t y = y1; y <= y2; ++y) std::memcpy(bitmap.ScanLine(y) + size_t(x1) * 3, result.ScanLine(y - y1), bytes);
}

}  // namespace kx
