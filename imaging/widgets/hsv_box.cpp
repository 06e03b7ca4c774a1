// The colour box: drawing the square, the bar and the markers, and picking with the mouse.
#include "imaging/widgets/hsv_box.h"

#include <algorithm>
#include <vector>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/color.h"

namespace kx {

THSVBox::THSVBox() {
  HSVChanged();
  SetBounds(0, 0, 105, 105);
}

void THSVBox::SetHue(int32_t hue) {
  fHue = std::clamp(hue, 0, 359);
  HSVChanged();
}

void THSVBox::SetSat(int32_t sat) {
  fSat = std::clamp(sat, 0, 99);
  HSVChanged();
}

void THSVBox::SetVal(int32_t val) {
  fVal = std::clamp(val, 0, 99);
  HSVChanged();
}

void THSVBox::HSVChanged() {
  fRGB = HSV2RGB(fHue, fSat, fVal);
  fColor = TRGB2TColor(fRGB);
  Invalidate();
}

void THSVBox::SetRGB(uint8_t r, uint8_t g, uint8_t b) {
  fRGB = TRGB{b, g, r};
  RGB2HSV(fRGB, fHue, fSat, fVal);
  fColor = TRGB2TColor(fRGB);
  Invalidate();
}

void THSVBox::SetColor(TColor color) {
  fRGB = TColor2TRGB(ColorToRGB(color));
  RGB2HSV(fRGB, fHue, fSat, fVal);
  fColor = color;
  Invalidate();
}

void THSVBox::SetBackground(TColor color) {
  fBackground = color;
  Invalidate();
}

void THSVBox::FillSquare() {
  const int32_t s = SquareWidth(), h = Height();
  if (fSquareHue == fHue && fSquare.Width() == s && fSquare.Height() == h) return;
  fSquare.SetSize(s, h);
  // The saturation of each column, then per row the colour of each saturation: a row needs
  // at most 100 colour conversions however wide the square is.
  const float across = 100.0f / float(s), up = 100.0f / float(h);
  std::vector<uint8_t> sat(static_cast<size_t>(s));
  for (int32_t g = 0; g < s; ++g) sat[size_t(g)] = uint8_t(std::min(KXTrunc(double(g) * double(across)), 99));
  TRGB colors[100];
  for (int32_t d = 0; d < h; ++d) {
    const int32_t val = KXTrunc(double(d) * double(up));
    for (int32_t i = 0; i < 100; ++i) colors[i] = HSV2RGB(fHue, i, val);
    TRGB* row = reinterpret_cast<TRGB*>(fSquare.ScanLine(h - 1 - d));
    for (int32_t g = 0; g < s; ++g) row[g] = colors[sat[size_t(g)]];
  }
  fSquareHue = fHue;
}

void THSVBox::Paint() {
  TBitmap& bitmap = Buffer();
  TCanvas& canvas = Canvas();
  const int32_t w = bitmap.Width(), h = bitmap.Height(), s = SquareWidth();
  canvas.Brush = TBrush{fBackground, bsSolid};
  canvas.FillRect(Rect(0, 0, w, h));
  if (s > 0 && h > 0) {
    FillSquare();
    canvas.Draw(0, 0, fSquare);
  }
  const int32_t barLeft = std::max(s + kGap, 0);
  for (int32_t d = 0; d < h && barLeft < w; ++d) {
    const TRGB color = HSV2RGB(int32_t(int64_t(d) * 360 / h), 99, 99);
    TRGB* row = reinterpret_cast<TRGB*>(bitmap.ScanLine(h - 1 - d));
    std::fill(row + barLeft, row + w, color);
  }
  canvas.Pen = TPen{clBlack, 1, psSolid, pmNot};
  canvas.Brush = TBrush{fBackground, bsClear};
  const int32_t hy = KXRound((h - 1) * (359.0 - fHue) / 360);
  canvas.Rectangle(Rect(s + kGap, hy - 2, w, hy + 2));
  const int32_t sx = KXRound(fSat / 99.0 * (s - 1)), vy = h - KXRound((h - 1) * fVal / 99.0);
  canvas.Rectangle(Rect(sx - 3, vy - 4, sx + 3, vy + 2));
}

void THSVBox::MouseDown(TMouseButton button, TShiftState /*shift*/, int32_t x, int32_t y) {
  if (button != mbLeft || !Pickable()) return;
  const int32_t s = SquareWidth();
  fDrag = x < s ? dgSquare : x >= s + kGap ? dgHue : dgNone;
  if (fDrag != dgNone) Pick(x, y);
}

void THSVBox::MouseMove(TShiftState /*shift*/, int32_t x, int32_t y) {
  if (fDrag != dgNone && Pickable()) Pick(x, y);
}

void THSVBox::MouseUp(TMouseButton button, TShiftState /*shift*/, int32_t /*x*/, int32_t /*y*/) {
  if (button == mbLeft) fDrag = dgNone;
}

void THSVBox::Pick(int32_t x, int32_t y) {
  const int32_t s = SquareWidth(), h = Height();
  y = std::clamp(y, 0, h - 1);
  if (fDrag == dgSquare) {
    x = std::clamp(x, 0, s - 1);
    fSat = KXRound(double(x) / (s - 1) * 99);
    fVal = 99 - KXRound(double(y) / (h - 1) * 99);
  } else {
    fHue = 359 - KXRound(double(y) / (h - 1) * 359);
  }
  HSVChanged();
  OnChange(this);
}

}  // namespace kx
