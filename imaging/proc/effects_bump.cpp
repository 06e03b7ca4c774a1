// Bump mapping. The light's shape is one 256 x 256 table of a cone-shaped disc, indexed by the
// relief's slope offset by the pixel's place relative to the light; the blend of a channel with
// the light is a table per channel over (light, channel), so a pixel costs three lookups.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/effects.h"
#include "imaging/proc/effects_rounding.h"
#include "imaging/proc/pixel_convert.h"

namespace kx {
namespace {

using TLightMap = std::array<std::array<uint8_t, 256>, 256>;

// Entry [i][j]: 1 - the distance of ((i - 128) / 128, (j - 128) / 128) from the centre, at
// least 0, as Trunc(v x 256) up to 255.
const TLightMap& LightMap() {
  static const TLightMap map = [] {
    TLightMap m{};
    for (int i = 0; i < 256; ++i)
      for (int j = 0; j < 256; ++j) {
        const double nx = (i - 128) / 128.0, ny = (j - 128) / 128.0;
        const double v = std::max(0.0, 1 - std::sqrt(nx * nx + ny * ny));
        m[size_t(i)][size_t(j)] = uint8_t(std::min(255, KXTrunc(v * 256)));
      }
    return m;
  }();
  return map;
}

// 128 - Trunc((v - light) / size x 128) for the coordinates first..last. The term is cut to
// +-600: beyond that the index, whose slope part stays within +-255, clamps the same way.
std::vector<int32_t> PlaceTerms(int32_t first, int32_t last, int32_t light, int32_t size) {
  std::vector<int32_t> terms;
  terms.reserve(size_t(last - first + 1));
  for (int32_t v = first; v <= last; ++v) {
    const double t = (double(v) - light) / size * 128;
    terms.push_back(128 - std::clamp(KXTrunc(t), -600, 600));
  }
  return terms;
}

}  // namespace

void _BumpMapping(TBitmap& bitmap, int32_t lightX, int32_t lightY, int32_t lightWidth, int32_t lightHeight,
                  int32_t percentage, TRGB color, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  const TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || lightWidth == 0 || lightHeight == 0) return;
  x1 = std::max(x1, 0), y1 = std::max(y1, 0);
  x2 = std::min(x2, bitmap.Width() - 1), y2 = std::min(y2, bitmap.Height() - 1);
  if (x1 > x2 || y1 > y2) return;
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;

  // The relief is the rectangle's own gray levels: slopes at its edges repeat its edge pixels.
  std::vector<uint8_t> height(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const TRGB* row = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y1 + y)) + x1;
    uint8_t* out = height.data() + size_t(y) * size_t(w);
    for (int32_t x = 0; x < w; ++x) out[x] = _RGBToGray(row[x]);
  }
  const std::vector<int32_t> columnTerms = PlaceTerms(x1, x2, lightX, lightWidth);
  const std::vector<int32_t> rowTerms = PlaceTerms(y1, y2, lightY, lightHeight);

  // Channel c with light l: round((c x p x 255 + l x (100 - p) x k) / 25500), k the light
  // colour's channel, in memory order blue, green, red.
  const int64_t p = percentage;
  const auto blend = std::make_unique<std::array<TBlendTable, 3>>();
  const uint8_t k[3] = {color.b, color.g, color.r};
  for (int c = 0; c < 3; ++c) FillBlendTable((*blend)[size_t(c)], (100 - p) * k[c], p * 255, 25500);

  const TLightMap& light = LightMap();
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* here = height.data() + size_t(y) * size_t(w);
    const uint8_t* up = height.data() + size_t(std::max(y - 1, 0)) * size_t(w);
    const uint8_t* down = height.data() + size_t(std::min(y + 1, h - 1)) * size_t(w);
    uint8_t* row = bitmap.ScanLine(y1 + y) + size_t(x1) * 3;
    const int32_t rowTerm = rowTerms[size_t(y)];
    for (int32_t x = 0; x < w; ++x) {
      const int32_t dx = here[std::min(x + 1, w - 1)] - here[std::max(x - 1, 0)];
      const int32_t dy = down[x] - up[x];
      const int32_t i = std::clamp(dx + columnTerms[size_t(x)], 0, 255);
      const int32_t j = std::clamp(dy + rowTerm, 0, 255);
      const uint8_t l = light[size_t(i)][size_t(j)];
      uint8_t* px = row + size_t(x) * 3;
      for (int c = 0; c < 3; ++c) px[c] = (*blend)[size_t(c)][l][px[c]];
    }
    ReportRow(progress, y1 + y, y1, y2);
  }
}

}  // namespace kx
