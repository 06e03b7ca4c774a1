// Decoding rows of any bitmap format into 24-bit pixels and encoding them back: the one place
// that knows how each format packs its pixels. Indexed formats map colours to the nearest
// palette entry through a 32768-entry table built once per codec.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/types.h"

namespace kx {

class TPixelRowCodec {
 public:
  TPixelRowCodec(TPixelFormat pf, const std::vector<TRGB>& palette);

  void Decode(const uint8_t* row, TRGB* out, int32_t width) const;
  void Encode(const TRGB* in, uint8_t* row, int32_t width);
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
