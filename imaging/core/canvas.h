// TCanvas: the drawing surface of a bitmap. Draws straight into the bitmap's pixels, in every
// format the bitmap supports (colours are mapped to the nearest palette entry for indexed ones).
#pragma once

#include <cstdint>

#include "imaging/core/types.h"

namespace kx {

class TBitmap;

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Left and top inclusive, right and bottom exclusive.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};
constexpr TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return TRect{l, t, r, b}; }

enum TBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
// How drawn pixels combine with the ones there: copy, or invert the destination.
enum TPenMode : uint8_t { pmCopy, pmNot, pmXor };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

struct TPen {
  TColor Color = clBlack;
  int32_t Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
};

// True where the 8 x 8 hatch of `style` draws at (x, y); every pixel of the solid style.
bool KXHatchHit(TBrushStyle style, int64_t x, int64_t y);

class TCanvas {
 public:
  explicit TCanvas(TBitmap& bitmap) : fBitmap(bitmap) {}

  TBrush Brush;
  TPen Pen;

  TColor Pixel(int32_t x, int32_t y) const;  // clNone outside the bitmap
  void SetPixel(int32_t x, int32_t y, TColor color);

  // Fills the rectangle with the brush (clipped to the bitmap); bsClear fills nothing, hatch
  // styles draw one-pixel lines every 8 pixels on a transparent ground.
  void FillRect(const TRect& r);
  // Outline with the pen, inside filled with the brush.
  void Rectangle(const TRect& r);
  // One-pixel frame with the brush colour (solid, whatever the brush style).
  void FrameRect(const TRect& r);
  void MoveTo(int32_t x, int32_t y) { fPenPos = {x, y}; }
  // A line from the pen position to (x, y), the end point excluded, as the platform draws it.
  void LineTo(int32_t x, int32_t y);
  TPoint PenPos() const { return fPenPos; }

  // Copies `source` at (x, y) unscaled.
  void Draw(int32_t x, int32_t y, const TBitmap& source);
  // Stretches all of `source` onto `dest` (nearest pixel). Empty or inverted rectangles draw
  // nothing.
  void StretchDraw(const TRect& dest, const TBitmap& source);
  // Stretches `sourceRect` of `source` onto `dest` (nearest pixel).
  void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);

 private:
  void CopyRect(int64_t left, int64_t top, int64_t right, int64_t bottom, const TBitmap& source,
                const TRect& sourceRect);
  TBitmap& fBitmap;
  TPoint fPenPos;
};

}  // namespace kx
