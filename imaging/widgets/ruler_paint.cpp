// Drawing the ruler: grip area, grips, scale strip, ticks and labels.
#include <algorithm>
#include <cmath>

#include "imaging/core/pixelformat.h"
#include "imaging/widgets/ruler_box.h"
#include "imaging/widgets/ruler_labels.h"
#include "imaging/widgets/widget_draw.h"

namespace kx {

namespace {

// Ticks drawn per pass at most, in pixels of the ruler's length: denser ticks are thinned to
// about one per pixel, which draws the same small ticks and keeps a tiny Frequency from
// looping for ever.
constexpr int64_t kTicksPerPixel = 2;

}  // namespace

void TRulerBox::Paint() {
  TBitmap& bitmap = Buffer();
  TCanvas& canvas = Canvas();
  ApplyFit();
  const int32_t along = Along(), across = Across(), r = StripSize();
  // A rectangle given along and across the ruler.
  auto span = [&](int32_t a0, int32_t a1, int32_t c0, int32_t c1) {
    return fRulerDir == rdHorizontal ? Rect(a0, c0, a1, c1) : Rect(c0, a0, c1, a1);
  };
  TRect strip{}, grips = span(0, along, 0, across);
  if (fRuler) {
    strip = fGripsDir == gdUp ? span(0, along, 0, r + 1) : span(0, along, across - r, across);
    grips = fGripsDir == gdUp ? span(0, along, r + 1, across) : span(0, along, 0, across - r);
  }
  canvas.Brush = TBrush{fBackground, bsSolid};
  canvas.FillRect(grips);
  for (int32_t i = 0; i < GripsCount(); ++i) {
    const std::vector<TPoint> points = GripPolygon(i);
    KXPolygon(canvas, points, fGrips[size_t(i)].Color, clBlack);
  }
  if (!fRuler) return;
  canvas.Brush = TBrush{fRulerColor, bsSolid};
  canvas.FillRect(strip);
  canvas.Pen = TPen{fFont.Color, 1, psSolid, pmCopy};
  DrawTicks(bitmap, fFrequency, r / 4, false);
  DrawTicks(bitmap, fLabelFreq, r / 2, true);
}

void TRulerBox::DrawTicks(TBitmap& bitmap, double frequency, int32_t tickLength, bool labelled) {
  TCanvas& canvas = Canvas();
  const int32_t along = Along(), across = Across(), r = StripSize();
  const double ratio = fViewPos / frequency;
  const double first = fViewPos - frequency * (ratio - std::trunc(ratio));
  const double count = std::trunc(along / fDotPerUnit / frequency) + 1;
  const double spacing = frequency * fDotPerUnit;  // pixels between ticks
  const double step = spacing < 1 ? std::floor(1 / spacing) : 1;
  const int64_t most = kTicksPerPixel * (int64_t(along) + 2);
  // The strip's inner edge and the direction into the strip from it.
  const int32_t inner = fGripsDir == gdUp ? r : across - r;
  const int32_t into = fGripsDir == gdUp ? -1 : 1;
  const int32_t textHeight = KXFontHeight(fFont);
  int64_t drawn = 0;
  for (double k = 0; k <= count && drawn < most; k += step, ++drawn) {
    const double v = first + k * frequency;
    const int32_t p = std::clamp(KXRound((v - fViewPos) * fDotPerUnit), -kFarPixel, kFarPixel);
    if (fRulerDir == rdHorizontal) {
      canvas.MoveTo(p, inner);
      canvas.LineTo(p, inner + into * tickLength);
    } else {
      canvas.MoveTo(inner, p);
      canvas.LineTo(inner + into * tickLength, p);
    }
    if (!labelled) continue;
    const std::string text = fHexLabels ? KXHexLabel(v) : KXFloatToStrGeneral(v, 15, 3);
    const int32_t half = KXTextWidth(fFont, text) / 2;
    if (fRulerDir == rdHorizontal)
      KXTextOut(bitmap, fFont, p - half, fGripsDir == gdUp ? 0 : across - textHeight, text);
    else if (fGripsDir == gdUp)
      KXTextOut(bitmap, fFont, 0, p - half, text, ttCounterClockwise);
    else
      KXTextOut(bitmap, fFont, across - textHeight, p - half, text, ttClockwise);
  }
}

}  // namespace kx
