// TRulerBox: a scaled ruler with draggable grips whose positions are real numbers. The scale
// strip carries small and labelled ticks; the grips point at it from the opposite edge. Dragging
// a grip past an end scrolls the ruler on a timer for as long as the pointer stays beyond it;
// the arrow keys move the current grip (the last one pressed) by a pixel, ten with Shift.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/canvas.h"
#include "imaging/core/event.h"
#include "imaging/core/types.h"
#include "imaging/view/buffered_control.h"
#include "imaging/widgets/widget_font.h"

namespace kx {

enum TRulerDir : uint8_t { rdHorizontal, rdVertical };
// gdUp: the scale on top (at the left when vertical), grips pointing up from the opposite edge;
// gdDown: the scale at the bottom (at the right), grips pointing down.
enum TGripsDir : uint8_t { gdUp, gdDown };
enum TGripKind : uint8_t { gkTriangle, gkLeftTriangle, gkRightTriangle, gkArrow, gkArrow2 };

// Sender, grip index.
using TRulerGripEvent = TEvent<void*, int32_t>;
// Sender, ruler value under the press.
using TRulerClickEvent = TEvent<void*, double>;

class TRulerBox : public TBufferedControl {
 public:
  // The most grips a ruler keeps.
  static constexpr int32_t kMaxGrips = 4096;
  // Timer of the scrolling past an end, and its interval.
  static constexpr int32_t kScrollTimer = 1;
  static constexpr int32_t kScrollIntervalMs = 20;

  TRulerBox();

  // Values that are not finite are ignored by every setter taking a real number; DotPerUnit,
  // Frequency and LabelFreq keep their value when given 0 or less.
  double ViewPos() const { return fViewPos; }
  void SetViewPos(double pos);
  double DotPerUnit() const { return fDotPerUnit; }
  void SetDPU(double dotsPerUnit);
  double Frequency() const { return fFrequency; }
  void SetFrequency(double units);
  double LabelFreq() const { return fLabelFreq; }
  void SetLabelFreq(double units);
  double ViewMin() const { return fViewMin; }
  void SetViewMin(double value);
  double ViewMax() const { return fViewMax; }
  void SetViewMax(double value);
  bool FitInView() const { return fFitInView; }
  void SetFitInView(bool on);
  bool Ruler() const { return fRuler; }
  void SetRuler(bool on);
  TColor RulerColor() const { return fRulerColor; }
  void SetRulerColor(TColor color);
  TRulerDir RulerDir() const { return fRulerDir; }
  void SetRulerDir(TRulerDir dir);
  TGripsDir GripsDir() const { return fGripsDir; }
  void SetGripsDir(TGripsDir dir);
  int32_t GripBaseDim() const { return fGripBaseDim; }
  // Kept within 0..kMaxGripBaseDim.
  void SetGripBaseDim(int32_t pixels);
  static constexpr int32_t kMaxGripBaseDim = 1024;
  int32_t GripsCount() const { return int32_t(fGrips.size()); }
  // Kept within 0..kMaxGrips.
  void SetGripsCount(int32_t count);
  bool HexLabels() const { return fHexLabels; }
  void SetHexLabels(bool on);
  TColor Background() const { return fBackground; }
  void SetBackground(TColor color);
  const TWidgetFont& Font() const { return fFont; }
  void SetFont(const TWidgetFont& font);

  // Grips by index: a set beyond the count is ignored, a get returns 0 (the kind gkTriangle).
  double GetGripsPos(int32_t i) const;
  void SetGripsPos(int32_t i, double pos);
  TColor GetGripsCol(int32_t i) const;
  void SetGripsCol(int32_t i, TColor color);
  TGripKind GetGripsKind(int32_t i) const;
  void SetGripsKind(int32_t i, TGripKind kind);
  double GetGripsMin(int32_t i) const;
  void SetGripsMin(int32_t i, double value);
  double GetGripsMax(int32_t i) const;
  void SetGripsMax(int32_t i, double value);

  // Pixel position of a grip along the ruler, kept within +-kFarPixel: a grip far out of view
  // stays out of view, and its corners stay far from the ends of the integer range.
  int32_t GripPixel(int32_t i) const;
  static constexpr int32_t kFarPixel = 1 << 24;
  // The grip's corners, in client coordinates, and its hit rectangle (right and bottom edges
  // included, so Right and Bottom are one past them).
  std::vector<TPoint> GripPolygon(int32_t i) const;
  TRect GripHitRect(int32_t i) const;
  // Height of the scale strip (0 without it).
  int32_t StripSize() const;
  // The grip the keys move.
  int32_t CurrentGrip() const { return fCurrentGrip; }

  TRulerGripEvent OnRulerPosChange;
  TRulerGripEvent OnRulerGripClick;
  TRulerGripEvent OnRulerGripDblClick;
  TRulerClickEvent OnRulerClick;

  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void KeyDown(int32_t key, TShiftState shift) override;

 protected:
  void Paint() override;
  void Resize() override;
  void Timer(int32_t id) override;

 private:
  struct TGrip {
    double Pos = 0;
    TColor Color = clBtnFace;
    TGripKind Kind = gkTriangle;
    double Min = 0;
    double Max = 0;
  };
  // Length of the control along the ruler and across it.
  int32_t Along() const { return fRulerDir == rdHorizontal ? Width() : Height(); }
  int32_t Across() const { return fRulerDir == rdHorizontal ? Height() : Width(); }
  // DotPerUnit from the control's length while FitInView holds, then the view position.
  void ApplyFit();
  double ClampedViewPos(double pos) const;
  // The grip's position kept within its limits (when its maximum is above its minimum).
  static double WithinLimits(const TGrip& grip, double pos);
  // One step of the scrolling past an end: -1 before the start, +1 beyond the end.
  void ScrollStep();
  void StopScrolling();
  void DrawTicks(TBitmap& bitmap, double frequency, int32_t tickLength, bool labelled);

  double fViewPos = 0;
  double fDotPerUnit = 1.0;
  double fFrequency = 10.0;
  double fLabelFreq = 40.0;
  double fViewMin = 0, fViewMax = 0;
  bool fFitInView = false;
  bool fRuler = true;
  TColor fRulerColor = clBtnFace;
  TRulerDir fRulerDir = rdHorizontal;
  TGripsDir fGripsDir = gdUp;
  int32_t fGripBaseDim = 12;
  bool fHexLabels = false;
  TColor fBackground = clBtnFace;
  TWidgetFont fFont;
  std::vector<TGrip> fGrips;

  // The drag of a pressed grip.
  int32_t fPressedGrip = -1;
  int32_t fPressX = 0, fPressY = 0;
  int32_t fPressOffset = 0;  // the grip's pixel position less the press coordinate
  int32_t fScrollDirection = 0;
  int32_t fCurrentGrip = 0;
};

}  // namespace kx
