// The ruler: properties, limits, drawing and the grips' mouse and key handling.
#include "imaging/widgets/ruler_box.h"

#include <algorithm>
#include <cmath>

#include "imaging/core/pixelformat.h"
#include "imaging/widgets/ruler_labels.h"
#include "imaging/widgets/widget_draw.h"
#include "platform/keys.h"

namespace kx {

TRulerBox::TRulerBox() {
  SetBounds(0, 0, 300, 40);
  SetGripsCount(1);
}

void TRulerBox::ApplyFit() {
  if (fFitInView && fViewMin < fViewMax && Along() > 0) {
    const double fit = Along() / (fViewMax - fViewMin);
    if (std::isfinite(fit) && fit > 0) fDotPerUnit = fit;
  }
  fViewPos = ClampedViewPos(fViewPos);
}

double TRulerBox::ClampedViewPos(double pos) const {
  if (!(fViewMin < fViewMax)) return pos;
  if (pos < fViewMin) return fViewMin;
  const double last = fViewMax - Along() / fDotPerUnit;
  return pos > last ? last : pos;
}

double TRulerBox::WithinLimits(const TGrip& grip, double pos) {
  return grip.Max > grip.Min ? std::clamp(pos, grip.Min, grip.Max) : pos;
}

void TRulerBox::Resize() {
  ApplyFit();
  Invalidate();
}

void TRulerBox::SetViewPos(double pos) {
  if (!std::isfinite(pos)) return;
  fViewPos = ClampedViewPos(pos);
  Invalidate();
}

void TRulerBox::SetDPU(double dotsPerUnit) {
  if (!std::isfinite(dotsPerUnit) || dotsPerUnit <= 0) return;
  fDotPerUnit = dotsPerUnit;
  ApplyFit();
  Invalidate();
}

void TRulerBox::SetFrequency(double units) {
  if (!std::isfinite(units) || units <= 0) return;
  fFrequency = units;
  Invalidate();
}

void TRulerBox::SetLabelFreq(double units) {
  if (!std::isfinite(units) || units <= 0) return;
  fLabelFreq = units;
  Invalidate();
}

void TRulerBox::SetViewMin(double value) {
  if (!std::isfinite(value)) return;
  fViewMin = value;
  for (TGrip& grip : fGrips) grip.Min = value;
  ApplyFit();
  Invalidate();
}

void TRulerBox::SetViewMax(double value) {
  if (!std::isfinite(value)) return;
  fViewMax = value;
  for (TGrip& grip : fGrips) grip.Max = value;
  ApplyFit();
  Invalidate();
}

void TRulerBox::SetFitInView(bool on) {
  fFitInView = on;
  ApplyFit();
  Invalidate();
}

void TRulerBox::SetRuler(bool on) {
  fRuler = on;
  Invalidate();
}

void TRulerBox::SetRulerColor(TColor color) {
  fRulerColor = color;
  Invalidate();
}

void TRulerBox::SetRulerDir(TRulerDir dir) {
  fRulerDir = dir;
  ApplyFit();
  Invalidate();
}

void TRulerBox::SetGripsDir(TGripsDir dir) {
  fGripsDir = dir;
  Invalidate();
}

void TRulerBox::SetGripBaseDim(int32_t pixels) {
  fGripBaseDim = std::clamp(pixels, 0, kMaxGripBaseDim);
  Invalidate();
}

void TRulerBox::SetGripsCount(int32_t count) {
  count = std::clamp(count, 0, kMaxGrips);
  fGrips.resize(size_t(count), TGrip{0, fBackground, gkTriangle, fViewMin, fViewMax});
  if (fCurrentGrip >= count) fCurrentGrip = 0;
  if (fPressedGrip >= count) {
    StopScrolling();
    fPressedGrip = -1;
  }
  Invalidate();
}

void TRulerBox::SetHexLabels(bool on) {
  fHexLabels = on;
  Invalidate();
}

void TRulerBox::SetBackground(TColor color) {
  fBackground = color;
  Invalidate();
}

void TRulerBox::SetFont(const TWidgetFont& font) {
  fFont = font;
  Invalidate();
}

double TRulerBox::GetGripsPos(int32_t i) const { return i >= 0 && i < GripsCount() ? fGrips[size_t(i)].Pos : 0; }
TColor TRulerBox::GetGripsCol(int32_t i) const { return i >= 0 && i < GripsCount() ? fGrips[size_t(i)].Color : 0; }
TGripKind TRulerBox::GetGripsKind(int32_t i) const {
  return i >= 0 && i < GripsCount() ? fGrips[size_t(i)].Kind : gkTriangle;
}
double TRulerBox::GetGripsMin(int32_t i) const { return i >= 0 && i < GripsCount() ? fGrips[size_t(i)].Min : 0; }
double TRulerBox::GetGripsMax(int32_t i) const { return i >= 0 && i < GripsCount() ? fGrips[size_t(i)].Max : 0; }

void TRulerBox::SetGripsPos(int32_t i, double pos) {
  if (i < 0 || i >= GripsCount() || !std::isfinite(pos)) return;
  fGrips[size_t(i)].Pos = pos;
  // The corrected position goes through here too, so its change is announced before this one.
  if (const double within = WithinLimits(fGrips[size_t(i)], pos); within != pos) SetGripsPos(i, within);
  Invalidate();
  OnRulerPosChange(this, i);
}

void TRulerBox::SetGripsCol(int32_t i, TColor color) {
  if (i < 0 || i >= GripsCount()) return;
  fGrips[size_t(i)].Color = color;
  Invalidate();
}

void TRulerBox::SetGripsKind(int32_t i, TGripKind kind) {
  if (i < 0 || i >= GripsCount() || kind > gkArrow2) return;
  fGrips[size_t(i)].Kind = kind;
  Invalidate();
}

void TRulerBox::SetGripsMin(int32_t i, double value) {
  if (i < 0 || i >= GripsCount() || !std::isfinite(value)) return;
  fGrips[size_t(i)].Min = value;
  for (int32_t j = 0; j < GripsCount(); ++j)
    if (const double within = WithinLimits(fGrips[size_t(j)], fGrips[size_t(j)].Pos); within != fGrips[size_t(j)].Pos)
      SetGripsPos(j, within);
}

void TRulerBox::SetGripsMax(int32_t i, double value) {
  if (i < 0 || i >= GripsCount() || !std::isfinite(value)) return;
  fGrips[size_t(i)].Max = value;
  for (int32_t j = 0; j < GripsCount(); ++j)
    if (const double within = WithinLimits(fGrips[size_t(j)], fGrips[size_t(j)].Pos); within != fGrips[size_t(j)].Pos)
      SetGripsPos(j, within);
}

int32_t TRulerBox::StripSize() const { return fRuler ? KXTrunc(KXFontHeight(fFont) * 1.7) + 3 : 0; }

int32_t TRulerBox::GripPixel(int32_t i) const {
  return std::clamp(KXRound((GetGripsPos(i) - fViewPos) * fDotPerUnit), -kFarPixel, kFarPixel);
}

std::vector<TPoint> TRulerBox::GripPolygon(int32_t i) const {
  if (i < 0 || i >= GripsCount()) return {};
  const int32_t x = GripPixel(i), r = StripSize();
  const int32_t b = fGripsDir == gdUp ? Across() - 1 : 0;
  const int32_t t = fGripsDir == gdUp ? r : Across() - 1 - r;
  const int32_t h = fGripBaseDim / 2, q = fGripBaseDim / 4;
  std::vector<TPoint> points;
  switch (fGrips[size_t(i)].Kind) {
    case gkTriangle:
      points = {{x - h, b}, {x + h, b}, {x, t}};
      break;
    case gkLeftTriangle:
      points = {{x - h, b}, {x, b}, {x, t}};
      break;
    case gkRightTriangle:
      points = {{x, b}, {x + h, b}, {x, t}};
      break;
    case gkArrow: {
      const int32_t m = fGripsDir == gdDown ? b + ((t - b) / 3) * 2 : t + (b - t) / 3;
      points = {{x - q, b}, {x + q, b}, {x + q, m}, {x + h, m}, {x, t}, {x - h, m}, {x - q, m}};
      break;
    }
    case gkArrow2: {
      const int32_t m = fGripsDir == gdDown ? b + (t - b) / 2 : t + (b - t) / 2;
      points = {{x - h, b}, {x + h, b}, {x + h, m}, {x, t}, {x - h, m}};
      break;
    }
  }
  if (fRulerDir == rdVertical)
    for (TPoint& p : points) std::swap(p.X, p.Y);
  return points;
}

TRect TRulerBox::GripHitRect(int32_t i) const {
  const std::vector<TPoint> points = GripPolygon(i);
  if (points.empty()) return {};
  TRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (const TPoint& p : points)
    r = TRect{std::min(r.Left, p.X), std::min(r.Top, p.Y), std::max(r.Right, p.X), std::max(r.Bottom, p.Y)};
  return TRect{r.Left, r.Top, r.Right + 1, r.Bottom + 1};
}

}  // namespace kx
