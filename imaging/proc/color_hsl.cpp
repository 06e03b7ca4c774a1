// Hue, saturation, lightness and value: the colour-space conversions, the HSL and HSV shifts
// and the HSV channel extraction.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/color.h"
#include "imaging/proc/color_rows.h"

namespace kx {

namespace {

uint8_t Clamp255(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

// Level 0..255 -> 0..99 and back, each Nearest.
const std::array<int32_t, 256> kTo99 = [] {
  std::array<int32_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = KXRound(i / 255.0 * 99.0);
  return t;
}();
const std::array<uint8_t, 100> kFrom99 = [] {
  std::array<uint8_t, 100> t{};
  for (int i = 0; i < 100; ++i) t[size_t(i)] = uint8_t(KXRound(i / 99.0 * 255.0));
  return t;
}();

double HueValue(double m1, double m2, double x) {
  if (x < 0)
    x += 1;
  else if (x > 1)
    x -= 1;
  if (6 * x < 1) return m1 + (m2 - m1) * 6 * x;
  if (2 * x < 1) return m2;
  if (3 * x < 2) return m1 + (m2 - m1) * (2.0 / 3.0 - x) * 6;
  return m1;
}

// Trunc(v x 255) of the exact value: the few operations before it can leave a channel that is
// exactly a whole level a hair below it (m1 = 2l - m2 of (200, 50, 50) comes out at 49.99...),
// and the tolerance is far below the smallest step of the exact values.
uint8_t Unit255(double v) { return Clamp255(KXTrunc(v * 255.0 + 1e-9)); }

}  // namespace

void RGB2HSL(TRGB c, double& h, double& s, double& l) {
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  l = (mx + mn) / 2;
  h = s = 0;
  if (mx == mn) return;
  const double d = mx - mn;
  s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  if (mx == r)
    h = (g - b) / d;
  else if (mx != g)
    h = (r - g) / d + 4;
  else
    h = (b - r) / d + 2;
  h /= 6;
  if (h < 0) h += 1;
}

TRGB HSL2RGB(double l, double s, double h) {
  h = std::max(h, 0.0);
  s = std::clamp(s, 0.0, 1.0);
  l = std::clamp(l, 0.0, 1.0);
  const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double m1 = 2 * l - m2;
  if (s == 0) {
    const uint8_t v = Unit255(l);
    return TRGB{v, v, v};
  }
  h = std::min(h, 1.0);
  return CreateRGB(Unit255(HueValue(m1, m2, h + 1.0 / 3.0)), Unit255(HueValue(m1, m2, h)),
                   Unit255(HueValue(m1, m2, h - 1.0 / 3.0)));
}

void RGB2HSV(TRGB c, int32_t& h, int32_t& s, int32_t& v) {
  const int32_t r = kTo99[c.r], g = kTo99[c.g], b = kTo99[c.b];
  const int32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
  v = mx;
  s = mx == 0 ? 0 : (mx - mn) * 99 / mx;
  h = 0;
  if (s == 0) return;
  const int32_t d = mx - mn;
  if (r == mx)
    h = (g - b) * 60 / d;
  else if (g == mx)
    h = (b - r) * 60 / d + 120;
  else
    h = (r - g) * 60 / d + 240;
  if (h < 0) h += 360;
}

TRGB HSV2RGB(int32_t h, int32_t s, int32_t v) {
  h = std::clamp(h, 0, 359), s = std::clamp(s, 0, 99), v = std::clamp(v, 0, 99);
  if (s == 0) return TRGB{kFrom99[size_t(v)], kFrom99[size_t(v)], kFrom99[size_t(v)]};
  const int32_t f = h % 60;
  const int32_t p = v - s * v / 99, q = v - s * v * f / 5940, t = v - s * v * (60 - f) / 5940;
  int32_t r, g, b;
  switch (h / 60) {
    case 0:
      r = v, g = t, b = p;
      break;
    case 1:
      r = q, g = v, b = p;
      break;
    case 2:
      r = p, g = v, b = t;
      break;
    case 3:
      r = p, g = q, b = v;
      break;
    case 4:
      r = t, g = p, b = v;
      break;
    default:
      r = v, g = p, b = q;
      break;
  }
  return CreateRGB(kFrom99[size_t(r)], kFrom99[size_t(g)], kFrom99[size_t(b)]);
}

void _HSLvar(TBitmap& bitmap, int32_t dh, int32_t ds, int32_t dl, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             const TProgressRec& progress) {
  const double addH = dh / 360.0, addS = ds / 100.0, addL = dl / 100.0;
  // Pure red lies at both ends of the clamped hue range. A positive shift takes it from the top
  // end, where it saturates, so that the primary survives any shift; every other colour keeps its
  // own hue, and a red with green equal to blue moves like its neighbours.
  const TRGB pureRed = CreateRGB(255, 0, 0);
  ForEachPixel(bitmap, x1, y1, x2, y2, progress, [=](TRGB& p) {
    double h, s, l;
    RGB2HSL(p, h, s, l);
    if (addH > 0 && p == pureRed) h = 1;
    p = HSL2RGB(l + addL, s + addS, h + addH);
  });
}

void _HSVvar(TBitmap& bitmap, int32_t dh, int32_t ds, int32_t dv, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             const TProgressRec& progress) {
  // Shifts far outside the ranges only clamp; keeping them small keeps the sums in 32 bits.
  dh = std::clamp(dh, -1000, 1000), ds = std::clamp(ds, -1000, 1000), dv = std::clamp(dv, -1000, 1000);
  const auto shifted = [=](TRGB p) {
    int32_t h, s, v;
    RGB2HSV(p, h, s, v);
    return HSV2RGB(h + dh, s + ds, v + dv);
  };
  // A pixel's result depends only on its three channels in hundredths: a large area goes
  // through a table of all 100^3 of them.
  if (int64_t(x2 - x1 + 1) * (y2 - y1 + 1) < (int64_t(1) << 21)) {
    ForEachPixel(bitmap, x1, y1, x2, y2, progress, [&](TRGB& p) { p = shifted(p); });
    return;
  }
  std::array<uint8_t, 100> level{};  // a level of each hundredth
  for (int i = 0; i < 256; ++i) level[size_t(kTo99[size_t(i)])] = uint8_t(i);
  std::vector<TRGB> table(1000000);
  for (int r = 0; r < 100; ++r)
    for (int g = 0; g < 100; ++g)
      for (int b = 0; b < 100; ++b)
        table[size_t(r * 10000 + g * 100 + b)] =
            shifted(CreateRGB(level[size_t(r)], level[size_t(g)], level[size_t(b)]));
  ForEachPixel(bitmap, x1, y1, x2, y2, progress,
               [&](TRGB& p) { p = table[size_t(kTo99[p.r] * 10000 + kTo99[p.g] * 100 + kTo99[p.b])]; });
}

namespace {

void HSVValues(TRGB c, uint8_t (&out)[3]) {
  int32_t h, s, v;
  RGB2HSV(c, h, s, v);
  out[0] = uint8_t(KXTrunc(h / 359.0 * 255.0));
  out[1] = uint8_t(KXTrunc(s / 99.0 * 255.0));
  out[2] = uint8_t(KXTrunc(v / 99.0 * 255.0));
}

}  // namespace

std::unique_ptr<TBitmap> _GetHSVChannel(const TBitmap& bitmap, int32_t channel, TProgressRec& progress) {
  if (bitmap.BitCount() != 24) return nullptr;
  auto result = std::make_unique<TBitmap>();
  const int32_t k = channel == 1 || channel == 2 ? channel : 0;
  TBitmap* targets[3] = {nullptr, nullptr, nullptr};
  targets[k] = result.get();
  ExtractChannels(bitmap, targets, progress, HSVValues);
  return result;
}

void _GetHSVChannelAll(const TBitmap& bitmap, TBitmap& hue, TBitmap& saturation, TBitmap& value,
                       TProgressRec& progress) {
  if (bitmap.BitCount() != 24) return;
  TBitmap* const targets[3] = {&hue, &saturation, &value};
  ExtractChannels(bitmap, targets, progress, HSVValues);
}

}  // namespace kx
