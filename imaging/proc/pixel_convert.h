// Pixel conversions shared by the codecs, the view and the colour operations: the gray value,
// 1-bit <-> 24-bit pictures, ordered dithering, row depth changes for the writers, palette
// searches and channel-order swaps, and our own form of a display palette.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"

namespace kx {

class TKXQuantizer;

// (21 r + 71 g + 7 b) div 100. The weights add up to 99, so white has gray 252.
constexpr uint8_t _RGBToGray(TRGB c) { return uint8_t((21u * c.r + 71u * c.g + 7u * c.b) / 100u); }
// Each of `count` pixels becomes its _RGBToGray value on all three channels.
void KXGrayRow(TRGB* pixels, int32_t count);

// The 8 x 8 ordered-dither thresholds (0..63); pixel (x, y) uses kDitherMatrix[x mod 8][y mod 8].
extern const uint8_t kDitherMatrix[8][8];

// Entry i: the 8 pixels of the 1-bit byte i, most significant bit first, white for a set bit.
using TC1TO24 = std::array<std::array<uint8_t, 24>, 256>;
extern const TC1TO24 C1TO24;

// `dest` becomes a 24-bit copy of the 1-bit `source` (set bits white, the colour table ignored).
void _Conv1to24(const TBitmap& source, TBitmap& dest, TProgressRec& progress);
// A 1-bit picture of a 24-bit one of exactly two colours, bit 0 the darker (`c1`) and bit 1 the
// other (`c2`); null for any other picture.
std::unique_ptr<TBitmap> _ConvertTo1bit(const TBitmap& bitmap, TRGB& c1, TRGB& c2);
// Replaces a 24-bit picture by its 1-bit ordered dither. Near-white (gray 252 and up) is always
// white, so a white page gets no dots.
void _ConvertToBWOrdered(TBitmap& bitmap, TProgressRec& progress);
// The picture a writer of 1-bit files stores for `bitmap`, with the colours of its two levels:
// a 1-bit picture as it is with its palette; a 24-bit one of exactly two colours as those two,
// darker first (_ConvertTo1bit); any other a dithered copy (_ConvertToBWOrdered), black and white.
std::unique_ptr<TBitmap> _OneBitForWriter(const TBitmap& bitmap, TRGB& c0, TRGB& c1, TProgressRec& progress);
// Inverts every byte of every row of a 1-bit picture, padding included.
void _Negative1Bit(TBitmap& bitmap);

// Index of the entry nearest to `color` (sum of absolute channel differences, first on ties);
// -1 when the palette is empty, so a caller cannot index past it.
int32_t _GetSimilColor(const TRGB* palette, int32_t count, TRGB color);
// Swaps red and blue of each entry in place.
void _RGB2BGR(TRGB* colors, int32_t count);
// Copies `count` pixels and swaps red and blue of each copy; `dest` may be `source` (rows of
// other overlap are not allowed).
void _CopyBGR_RGB(TRGB* dest, const TRGB* source, int32_t count);

// Turns one row of `width` pixels of `srcBits` into `dstBits` (packed pixels most significant
// first) and returns the destination row length, 0 for an unsupported depth. Palette indices
// beyond the palette give black; 24 -> 4 and 24 -> 8 take indices from `quantizer` (zeros
// without one). Unsupported pairs write nothing.
int32_t _ConvertXBitsToYBits(const uint8_t* source, uint8_t* dest, int32_t srcBits, int32_t dstBits, int32_t width,
                             std::span<const TRGB> palette, const TKXQuantizer* quantizer);

// A display palette: the entries' red, green, blue and a flag byte (always 0).
struct TKXPaletteEntry {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Flags = 0;
};
struct TKXPalette {
  uint16_t Version = 0x300;
  std::vector<TKXPaletteEntry> Entries;
};
TKXPalette _CreateWinPalette(const TRGB* palette, int32_t count);

}  // namespace kx
