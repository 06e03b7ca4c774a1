// A text-like bilevel page for the fax tests and benchmarks: lines of letter-like strokes with
// gaps between words, and a frame; white is 1. Far from noise, so it codes as real pages do.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/core/bitmap.h"

namespace kxtest {

inline kx::TBitmap TextPage(int32_t width, int32_t height, uint32_t seed = 7) {
  kx::TBitmap page(width, height, kx::pf1bit);
  const int32_t rowLen = (width + 7) / 8;
  for (int32_t y = 0; y < height; ++y) std::memset(page.ScanLine(y), 0xFF, size_t(rowLen));
  auto black = [&](int32_t x0, int32_t y0, int32_t w, int32_t h) {
    for (int32_t y = std::max(y0, 0); y < std::min(y0 + h, height); ++y)
      for (int32_t x = std::max(x0, 0); x < std::min(x0 + w, width); ++x)
        page.ScanLine(y)[x / 8] &= uint8_t(~(0x80 >> (x % 8)));
  };
  uint32_t s = seed;
  auto next = [&] { return s = s * 1664525u + 1013904223u, s >> 8; };
  const int32_t line = std::max(height / 60, 6), glyph = std::max(line * 2 / 3, 4);
  for (int32_t y = line; y + glyph < height - line; y += line) {
    for (int32_t x = width / 12; x < width - width / 12;) {
      const int32_t w = glyph / 2 + int32_t(next() % uint32_t(glyph));
      // Letters are strokes: a stem and one or two bars.
      black(x, y, std::max(w / 4, 1), glyph);
      black(x, y + int32_t(next() % uint32_t(glyph)), w, std::max(glyph / 6, 1));
      if (next() % 3 == 0) black(x + w - std::max(w / 4, 1), y, std::max(w / 4, 1), glyph);
      x += w + glyph / 4 + (next() % 6 == 0 ? glyph : 0);
    }
  }
  black(0, 0, width, 2);
  black(0, height - 2, width, 2);
  black(0, 0, 2, height);
  black(width - 2, 0, 2, height);
  return page;
}

}  // namespace kxtest
