// The view's painting: the patterned background around the picture, the picture through the
// nearest-pixel stretch of its visible part (or, enlarged with a zoom filter, resampled first
// and drawn 1:1), double buffering, and the copy for other canvases.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/dib_draw.h"
#include "imaging/proc/resample.h"
#include "imaging/view/view.h"

namespace kx {

namespace {

TRGB Complement(TRGB c) { return TRGB{uint8_t(255 - c.b), uint8_t(255 - c.g), uint8_t(255 - c.r)}; }

// The background hatches are the canvas's, anchored at the client area's top left corner.
TBrushStyle HatchOf(TKXBackgroundStyle style) {
  return style >= kxbsHorizontal && style <= kxbsDiagCross ? TBrushStyle(bsHorizontal + (style - kxbsHorizontal))
                                                           : bsSolid;
}

// Pattern row for client row y of a style whose rows repeat every `period` rows.
void PatternRow(TKXBackgroundStyle style, TRGB color, int32_t y, std::vector<TRGB>& row) {
  const TRGB other = Complement(color);
  for (int32_t x = 0; x < int32_t(row.size()); ++x) {
    if (style == kxbsChessboard)
      row[size_t(x)] = ((x / 16 + y / 16) % 2 == 0) ? other : color;
    else
      row[size_t(x)] = KXHatchHit(HatchOf(style), x, y) ? color : other;
  }
}

int32_t PatternPeriod(TKXBackgroundStyle style) {
  switch (style) {
    case kxbsSolid:
    case kxbsDiagonals:
      return 1;
    case kxbsChessboard:
      return 32;
    default:
      return 8;
  }
}

}  // namespace

// Hatch styles draw lines of the background colour on its complement: a hatch needs a ground,
// and the complement keeps the pattern visible whatever the colour.
void TKestrixView::PaintBackground(TBitmap& target, const TRect& except) {
  const int32_t cw = std::min(ClientWidth(), target.Width()), ch = std::min(ClientHeight(), target.Height());
  if (cw <= 0 || ch <= 0 || target.BitCount() != 24) return;
  const TRGB color = TColor2TRGB(ColorToRGB(fBackground));
  const int32_t period = PatternPeriod(fBackgroundStyle);
  std::vector<std::vector<TRGB>> patterns(size_t(std::min(period, ch)), std::vector<TRGB>(size_t(cw), color));
  if (fBackgroundStyle != kxbsSolid && fBackgroundStyle != kxbsDiagonals)
    for (int32_t y = 0; y < int32_t(patterns.size()); ++y) PatternRow(fBackgroundStyle, color, y, patterns[size_t(y)]);
  const int32_t exLeft = std::clamp(except.Left, 0, cw), exRight = std::clamp(except.Right, exLeft, cw);
  for (int32_t y = 0; y < ch; ++y) {
    const TRGB* pattern = patterns[size_t(y % period)].data();
    uint8_t* row = target.ScanLine(y);
    if (y >= except.Top && y < except.Bottom && exLeft < exRight) {
      std::memcpy(row, pattern, size_t(exLeft) * 3);
      std::memcpy(row + exRight * 3, pattern + exRight, size_t(cw - exRight) * 3);
    } else {
      std::memcpy(row, pattern, size_t(cw) * 3);
    }
  }
  if (fBackgroundStyle == kxbsDiagonals) {
    // The picture is drawn over the excluded rectangle right after, so the lines need no clip.
    TCanvas& canvas = target.Canvas();
    canvas.Pen = TPen{TRGB2TColor(Complement(color)), 1, psSolid, pmCopy};
    canvas.MoveTo(0, 0);
    canvas.LineTo(ClientWidth(), ClientHeight());
    canvas.MoveTo(ClientWidth(), 0);
    canvas.LineTo(0, ClientHeight());
  }
}

// The visible part of the picture in picture pixels. With `correct`, a width or height that
// rounding pushed one pixel past the picture's edge is cut back.
TRect TKestrixView::SourceRect(bool correct) const {
  if (fZoomedWidth < 1 || fZoomedHeight < 1) return TRect{};
  const int32_t w = fBitmap.Width(), h = fBitmap.Height();
  const int32_t x0 = int32_t(std::nearbyint(double(fViewX) * w / double(fZoomedWidth)));
  const int32_t y0 = int32_t(std::nearbyint(double(fViewY) * h / double(fZoomedHeight)));
  int32_t w0 = int32_t(std::nearbyint(w / double(fZoomedWidth) * fExtentWidth));
  int32_t h0 = int32_t(std::nearbyint(h / double(fZoomedHeight) * fExtentHeight));
  if (correct && int64_t(x0) + w0 > w) --w0;
  if (correct && int64_t(y0) + h0 > h) --h0;
  return Rect(x0, y0, x0 + w0, y0 + h0);
}

TRect TKestrixView::PictureRect() const {
  return Rect(fOffsetX, fOffsetY, fOffsetX + fExtentWidth, fOffsetY + fExtentHeight);
}

void TKestrixView::PaintTo(TBitmap& target) {
  const bool empty = fBitmap.Height() < 1 || fBitmap.Width() < 1;
  const bool uncovered = fExtentWidth < ClientWidth() || fExtentHeight < ClientHeight();
  if (empty || (uncovered && !fCenter)) PaintBackground(target, Rect(0, 0, fExtentWidth, fExtentHeight));
  if (empty) return;
  if (fCenter) PaintBackground(target, PictureRect());
  if (fZoomFilter == rfNone || fDelayCount > 0 || fZoom <= 100)
    KXDrawDib(target, PictureRect(), fBitmap, SourceRect(true));
  else
    DrawFiltered(target, PictureRect(), SourceRect(true));
}

void TKestrixView::DrawTo(TBitmap& target) {
  if (fBitmap.Empty()) return;
  const TRect dest = Rect(0, 0, fExtentWidth, fExtentHeight);
  if (fZoomFilter == rfNone || fZoom == 100)
    KXDrawDib(target, dest, fBitmap, SourceRect(false));
  else
    DrawFiltered(target, dest, SourceRect(false));
}

void TKestrixView::DrawFiltered(TBitmap& target, const TRect& dest, const TRect& source) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TBitmap part;
  _CopyBitmapRect(fBitmap, part, source.Left, source.Top, source.Right - 1, source.Bottom - 1);
  if (part.Empty()) return;
  part.SetPixelFormat(pf24bit);
  TBitmap zoomed(dest.Width(), dest.Height(), pf24bit);
  _QuickResample(part, zoomed, fZoomFilter);
  KXDrawDib(target, dest, zoomed, Rect(0, 0, zoomed.Width(), zoomed.Height()));
}

void TKestrixView::CopyBufferToWindow() {
  TBitmap& window = Buffer();
  const int32_t h = std::min(window.Height(), fOffscreen.Height());
  const size_t bytes = size_t(std::min(window.Width(), fOffscreen.Width())) * 3;
  for (int32_t y = 0; y < h; ++y) std::memcpy(window.ScanLine(y), fOffscreen.ScanLine(y), bytes);
}

void TKestrixView::Paint() {
  if (fLockPaint > 0 || !HasParent()) return;
  if (FitBuffer()) fBackgroundDirty = true;
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  if (!fDoubleBuffer) {
    PaintTo(Buffer());
  } else {
    if (fOffscreen.Width() != cw || fOffscreen.Height() != ch) {
      fOffscreen.SetSize(cw, ch);
      fBackgroundDirty = true;
    }
    if (fBackgroundDirty) {
      PaintTo(fOffscreen);
      fBackgroundDirty = false;
    }
    CopyBufferToWindow();
  }
  // The outline lives on the window's pixels only, so every repaint puts it back at once
  // instead of leaving it off until the next animation tick.
  DrawSelection(false);
  fRubberShown = false;
  if (fPolyDrawing) DrawRubberBand();
  if (!Rendering()) {
    ValidatePaint();
    InvalidateRect(0, 0, cw, ch);
  }
}

}  // namespace kx
