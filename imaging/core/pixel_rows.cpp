// Row decoding and encoding for every bitmap format.
#include "imaging/core/pixel_rows.h"

#include <cstddef>
#include <cstring>
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
  auto distance = [&](const TRGB& p) {
    int dr = int(c.r) - p.r, dg = int(c.g) - p.g, db = int(c.b) - p.b;
    return dr * dr + dg * dg + db * db;
  };
  // A search over a few entries is exact and cheaper than building the table.
  if (fPalette.size() <= 16) {
    size_t best = 0;
    int bestDist = distance(fPalette[0]);
    for (size_t i = 1; i < fPalette.size(); ++i) {
      int d = distance(fPalette[i]);
      if (d < bestDist) {
        bestDist = d;
        best = i;
      }
    }
    return uint8_t(best);
  }
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
    case pf1bit:
      return fromPalette((row[x >> 3] & kBitMask[x & 7]) ? 1 : 0);
    case pf4bit:
      return fromPalette((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    case pf8bit:
      return fromPalette(row[x]);
    case pf15bit: {
      uint32_t v = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
      return CreateRGB(Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31));
    }
    case pf16bit: {
      uint32_t v = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
      return CreateRGB(Expand5(v >> 11), Expand6((v >> 5) & 63), Expand5(v & 31));
    }
    case pf32bit:
      return TRGB{row[4 * x], row[4 * x + 1], row[4 * x + 2]};
    default:
      return TRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
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
    case pf8bit:
      row[x] = Nearest(c);
      break;
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
    if (width > 0) std::memcpy(out, row, size_t(width) * sizeof(TRGB));
    return;
  }
  if (fFormat == pf1bit) {
    TRGB c0 = fPalette.size() > 0 ? fPalette[0] : TRGB{};
    TRGB c1 = fPalette.size() > 1 ? fPalette[1] : TRGB{};
    int32_t x = 0;
    for (; width - x >= 8; x += 8) {
      const uint8_t byte = row[x >> 3];
      for (int i = 0; i < 8; ++i) out[x + i] = (byte & kBitMask[i]) ? c1 : c0;
    }
    for (; x < width; ++x) out[x] = (row[x >> 3] & kBitMask[x & 7]) ? c1 : c0;
    return;
  }
  for (int32_t x = 0; x < width; ++x) out[x] = DecodeOne(row, x);
}

void TPixelRowCodec::Encode(const TRGB* in, uint8_t* row, int32_t x0, int32_t count) {
  if (count <= 0) return;
  if (fFormat == pf24bit || fFormat == pfDevice || fFormat == pfCustom) {
    std::memcpy(row + 3 * int64_t(x0), in, size_t(count) * sizeof(TRGB));
    return;
  }
  int32_t x = x0, end = x0 + count;
  if (fFormat == pf1bit) {
    // Whole bytes at once; only the partial bytes at either end keep their other bits.
    for (; x < end && (x & 7); ++x) EncodeOne(in[x - x0], row, x);
    for (; end - x >= 8; x += 8) {
      uint8_t byte = 0;
      for (int i = 0; i < 8; ++i)
        if (Nearest(in[x - x0 + i])) byte |= kBitMask[i];
      row[x >> 3] = byte;
    }
  }
  for (; x < end; ++x) EncodeOne(in[x - x0], row, x);
}

}  // namespace kx
