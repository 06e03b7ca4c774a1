// The spectrum of a TKXFtImage as a picture: v = ln(sqrt(magnitude)) per element, stretched
// from the plane's smallest to its largest v onto 0..255.
#include <cmath>

#include "imaging/proc/fourier.h"

namespace kx {

namespace {

// The byte of one element: NaN and values below the range give 0; the top of the range gives
// 255 whatever the rounding of (maximum - minimum) x 255 / (maximum - minimum).
inline uint8_t SpectrumLevel(float v, float minimum, float maximum, float factor) {
  if (v >= maximum && factor > 0) return 255;
  const float t = (v - minimum) * factor;
  return t > 0 ? (t < 255 ? uint8_t(t) : uint8_t(255)) : uint8_t(0);
}

}  // namespace

void TKXFtImage::GetFTImage(TBitmap& picture) const {
  if (Empty()) return;
  const int32_t n = fTransformSize;
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(n, n);
  const size_t stride = size_t(2) * size_t(n);
  // Equal colour planes (a gray picture) show one spectrum in all three bytes.
  const bool same = SameColourPlanes();
  for (TChannel c : Channels()) {
    if (same && c != chRed) continue;
    const float* plane = fPlanes[c].data();
    // v = ln(re^2 + im^2) / 4 grows with re^2 + im^2, so the extremes are found on the squares
    // and one logarithm per element suffices; elements of magnitude 0 count as v = 0.
    float high = 0, low = INFINITY;
    bool zero = false;
    for (int32_t y = 0; y < n; ++y) {
      const float* re = plane + size_t(y) * stride;
      const float* im = re + n;
      for (int32_t x = 0; x < n; ++x) {
        const float q = re[x] * re[x] + im[x] * im[x];
        if (q > 0) {
          high = std::max(high, q);
          low = std::min(low, q);
        } else {
          zero = true;
        }
      }
    }
    double maximum = -1e20, minimum = 1e20;
    if (high > 0) {
      maximum = 0.25f * std::log(high);
      minimum = 0.25f * std::log(low);
    }
    if (zero) {
      maximum = std::max(maximum, 0.0);
      minimum = std::min(minimum, 0.0);
    }
    if (std::fabs(minimum) <= 1e-5) minimum = 0;
    // A plane of one value (a black picture) has no range to stretch: it shows black.
    const double range = maximum - minimum;
    const float factor = range > 0 && std::isfinite(range) ? float(255 / range) : 0.0f;
    for (int32_t y = 0; y < n; ++y) {
      const float* re = plane + size_t(y) * stride;
      const float* im = re + n;
      uint8_t* out = picture.ScanLine(y);
      for (int32_t x = 0; x < n; ++x, out += 3) {
        const float q = re[x] * re[x] + im[x] * im[x];
        const uint8_t level = SpectrumLevel(q > 0 ? 0.25f * std::log(q) : 0.0f, float(minimum), float(maximum), factor);
        if (c == chGray || same)
          out[0] = out[1] = out[2] = level;
        else
          out[kChannelByte[c]] = level;
      }
    }
  }
}

}  // namespace kx
