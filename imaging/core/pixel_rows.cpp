// Row decoding and encoding for every bitmap format.
#include "imaging/core/pixel_rows.h"

#include <cstddef>
#include <limits>

namespace kx {

namespace {
constexpr uint8_t kBitMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

uint8_t Expand5(uint32_t v) { return uint8_t((v << 3) | (v >> 2)); }
uint8_t Expand6(uint32_t v) { return uint8_t((v << 2) | (v >> 4)); }
}  // namespace

TPixelRowCodec::TPixelRowCodec(TPixelFormat pf, const std::vector<TRGB>& palette) : fFormat(pf), fPalette(palette) {
  if (pf == pf8bit && palette.size() == 256) {
    fGrayRamp = true;
    for (int i = 0; i < 256 && fGrayRamp; ++i)
      fGrayRamp = palette[size_t(i)] == CreateRGB(uint8_t(i), uint8_t(i), uint8_t(i));
  }
}

uint8_t TPixelRowCodec::Nearest(TRGB c) {
  if (fPalette.empty()) return 0;
  // Luma that keeps white white; the processing gray of the library is a separate rule.
  if (fGrayRamp) return uint8_t((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
  if (fNearest.empty()) {
    fNearest.resize(32768);
    for (uint32_t key = 0; key < 32768; ++key) {
      int r = int(Expand5(key >> 10)), g = int(Expand5((key >> 5) & 31)), b = int(Expand5(key & 31));
      int best = 0, bestDist = std::numeric_limits<int>::max();
      for (size_t i = 0; i < fPalette.size() && i < 256; ++i) {
        int dr = r - fPalette[i].r, dg = g - fPalette[i].g, db = b - fPalette[i].b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
          bestDist = d;
          best = int(i);
        }
      }
      fNearest[key] = uint8_t(best);
    }
  }
  return fNearest[(uint32_t(c.r >> 3) << 10) | (uint32_t(c.g >> 3) << 5) | uint32_t(c.b >> 3)];
}

TRGB TPixelRowCodec::DecodeOne(const uint8_t* row, int32_t x) const {
  auto fromPalette = [&](uint32_t i) { return i < fPalette.size() ? fPalette[i] : TRGB{}; };
  switch (fFormat) {
    case pf1bit: return fromPalette((row[x >> 3] & kBitMask[x & 7]) ? 1 : 0);
    case pf4bit: return fromPalette((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    case pf8bit: return fromPalette(row[x]);
    case pf15bit: {
      uint32_t v = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
      return CreateRGB(Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31));
    }
    case pf16bit: {
      uint32_t v = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
      return CreateRGB(Expand5(v >> 11), Expand6((v >> 5) & 63), Expand5(v & 31));
    }
    case pf32bit: return TRGB{row[4 * x], row[4 * x + 1], row[4 * x + 2]};
    default: return TRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
  }
}

void TPixelRowCodec::EncodeOne(TRGB c, uint8_t* row, int32_t x) {
  switch (fFormat) {
    case pf1bit:
      if (Nearest(c)) {
        row[x >> 3] |= kBitMask[x & 7];
      } else {
        row[x >> 3] &= uint8_t(~kBitMask[x & 7]);
      }
      break;
    case pf4bit: {
      uint8_t i = Nearest(c) & 0x0F;
      uint8_t& byte = row[x >> 1];
      byte = (x & 1) ? uint8_t((byte & 0xF0) | i) : uint8_t((byte & 0x0F) | (i << 4));
      break;
    }
    case pf8bit: row[x] = Nearest(c); break;
    case pf15bit: {
      uint32_t v = (uint32_t(c.r >> 3) << 10) | (uint32_t(c.g >> 3) << 5) | uint32_t(c.b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case pf16bit: {
      uint32_t v = (uint32_t(c.r >> 3) << 11) | (uint32_t(c.g >> 2) << 5) | uint32_t(c.b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case pf32bit:
      row[4 * x] = c.b;
      row[4 * x + 1] = c.g;
      row[4 * x + 2] = c.r;
      row[4 * x + 3] = 255;
      break;
    default:
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
      break;
  }
}

void TPixelRowCodec::Decode(const uint8_t* row, TRGB* out, int32_t width) const {
  if (fFormat == pf24bit || fFormat == pfDevice || fFormat == pfCustom) {
    const auto* px = reinterpret_cast<const TRGB*>(row);
    for (int32_t x = 0; x < width; ++x) out[x] = px[x];
    return;
  }
  if (fFormat == pf1bit) {
    TRGB c0 = fPalette.size() > 0 ? fPalette[0] : TRGB{};
    TRGB c1 = fPalette.size() > 1 ? fPalette[1] : TRGB{};
    for (int32_t x = 0; x < width; ++x) out[x] = (row[x >> 3] & kBitMask[x & 7]) ? c1 : c0;
    return;
  }
  for (int32_t x = 0; x < width; ++x) out[x] = DecodeOne(row, x);
}

void TPixelRowCodec::Encode(const TRGB* in, uint8_t* row, int32_t width) {
  if (fFormat == pf24bit || fFormat == pfDevice || fFormat == pfCustom) {
    auto* px = reinterpret_cast<TRGB*>(row);
    for (int32_t x = 0; x < width; ++x) px[x] = in[x];
    return;
  }
  for (int32_t x = 0; x < width; ++x) EncodeOne(in[x], row, x);
}

}  // namespace kx
