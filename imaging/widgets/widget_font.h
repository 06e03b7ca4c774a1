// TWidgetFont: the small pixel font the widgets write their labels with. It is part of the
// library rather than a desktop font, so labels look the same on every host and their pixels
// can be checked exactly: 5 x 7 glyphs in a 6 x 9 cell, enlarged by a whole factor. It has the
// digits, the hexadecimal letters, "E", the signs, the point and the space; any other
// character advances like a space.
#pragma once

#include <cstdint>
#include <string_view>

#include "imaging/core/types.h"

namespace kx {

class TBitmap;

struct TWidgetFont {
  TColor Color = clWindowText;
  int32_t Scale = 1;  // 1..8; other values count as the nearest of them
  friend bool operator==(const TWidgetFont&, const TWidgetFont&) = default;
};

// Which way written text runs: left to right, bottom to top (turned against the clock), top to
// bottom (turned with it).
enum TTextTurn : uint8_t { ttNone, ttCounterClockwise, ttClockwise };

// The font's height in pixels (the cell's), also the height of every text.
int32_t KXFontHeight(const TWidgetFont& font);
int32_t KXTextWidth(const TWidgetFont& font, std::string_view text);
// Writes `text` with the glyph pixels only (the ground shows through), clipped to the bitmap.
// (x, y) is the top-left corner of the text's box as it lies on the bitmap: KXTextWidth wide
// and KXFontHeight high unturned, the other way round turned.
void KXTextOut(TBitmap& bitmap, const TWidgetFont& font, int32_t x, int32_t y, std::string_view text,
               TTextTurn turn = ttNone);

}  // namespace kx
