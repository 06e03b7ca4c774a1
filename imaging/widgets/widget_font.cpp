// The widgets' pixel font.
#include "imaging/widgets/widget_font.h"

#include <algorithm>

#include "imaging/core/bitmap.h"

namespace kx {

namespace {

constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphRows = 7;
constexpr int32_t kCellWidth = 6;
constexpr int32_t kCellHeight = 9;
constexpr int32_t kGlyphTop = 1;  // rows of the cell above the glyph

struct TGlyph {
  char Code;
  uint8_t Rows[kGlyphRows];  // bit 4 is the leftmost pixel
};

constexpr TGlyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
};

const TGlyph* FindGlyph(char c) {
  for (const TGlyph& g : kGlyphs)
    if (g.Code == c) return &g;
  return nullptr;
}

int32_t ScaleOf(const TWidgetFont& font) { return std::clamp(font.Scale, 1, 8); }

}  // namespace

int32_t KXFontHeight(const TWidgetFont& font) { return kCellHeight * ScaleOf(font); }

int32_t KXTextWidth(const TWidgetFont& font, std::string_view text) {
  return int32_t(text.size()) * kCellWidth * ScaleOf(font);
}

void KXTextOut(TBitmap& bitmap, const TWidgetFont& font, int32_t x, int32_t y, std::string_view text, TTextTurn turn) {
  if (bitmap.BitCount() != 24 || text.empty()) return;
  const int32_t scale = ScaleOf(font);
  const int64_t width = KXTextWidth(font, text), height = KXFontHeight(font);
  const TRGB color = TColor2TRGB(ColorToRGB(font.Color));
  // (u, v): a pixel of the unturned text, u along it, v down from its top.
  auto put = [&](int64_t u, int64_t v) {
    int64_t px = x + u, py = y + v;
    if (turn == ttCounterClockwise) px = x + v, py = y + width - 1 - u;
    if (turn == ttClockwise) px = x + height - 1 - v, py = y + u;
    if (px < 0 || py < 0 || px >= bitmap.Width() || py >= bitmap.Height()) return;
    reinterpret_cast<TRGB*>(bitmap.ScanLine(int32_t(py)))[px] = color;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const TGlyph* glyph = FindGlyph(text[i]);
    if (!glyph) continue;
    const int64_t left = int64_t(i) * kCellWidth * scale;
    for (int32_t row = 0; row < kGlyphRows; ++row)
      for (int32_t col = 0; col < kGlyphWidth; ++col) {
        if ((glyph->Rows[row] >> (kGlyphWidth - 1 - col) & 1) == 0) continue;
        for (int32_t sy = 0; sy < scale; ++sy)
          for (int32_t sx = 0; sx < scale; ++sx) put(left + col * scale + sx, (kGlyphTop + row) * scale + sy);
      }
  }
}

}  // namespace kx
