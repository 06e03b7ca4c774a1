// Decoding rows of any bitmap format into 24-bit pixels and encoding them back: the one place
// that knows how each format packs its pixels. Indexed formats map a colour to the nearest
// palette entry: small palettes by a direct search, the gray ramp by its luma, other large
// palettes through a 32768-entry table built on first use.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/types.h"

namespace kx {

class TPixelRowCodec {
 public:
  // Keeps a reference to `palette`: it must outlive the codec.
  TPixelRowCodec(TPixelFormat pf, const std::vector<TRGB>& palette);

  void Decode(const uint8_t* row, TRGB* out, int32_t width) const;
  void Encode(const TRGB* in, uint8_t* row, int32_t width) { Encode(in, row, 0, width); }
  // Encodes `count` pixels into pixels x0.. of the row, leaving the others untouched.
  void Encode(const TRGB* in, uint8_t* row, int32_t x0, int32_t count);
  TRGB DecodeOne(const uint8_t* row, int32_t x) const;
  void EncodeOne(TRGB c, uint8_t* row, int32_t x);
  // Palette index nearest to `c` (indexed formats only).
  uint8_t Nearest(TRGB c);

 private:
  TPixelFormat fFormat;
  const std::vector<TRGB>& fPalette;
  bool fGrayRamp = false;
  std::vector<uint8_t> fNearest;  // 5-5-5 colour -> index, built on first use
};

}  // namespace kx
