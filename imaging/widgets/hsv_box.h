// THSVBox: picks a colour by hue, saturation and value. A square of saturation (across) and
// value (up) at the current hue fills the left, a hue bar 20 pixels wide the right, with a
// 5-pixel gap between; inverted rectangles mark the current values. The program's setters never
// raise OnChange; only the user's presses and drags do.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap.h"
#include "imaging/core/event.h"
#include "imaging/core/types.h"
#include "imaging/view/buffered_control.h"

namespace kx {

class THSVBox : public TBufferedControl {
 public:
  static constexpr int32_t kHueBarWidth = 20;
  static constexpr int32_t kGap = 5;

  THSVBox();

  int32_t Hue() const { return fHue; }  // 0..359
  int32_t Sat() const { return fSat; }  // 0..99
  int32_t Val() const { return fVal; }  // 0..99
  // Each clamps to its range and recomputes the colour.
  void SetHue(int32_t hue);
  void SetSat(int32_t sat);
  void SetVal(int32_t val);
  uint8_t Red() const { return fRGB.r; }
  uint8_t Green() const { return fRGB.g; }
  uint8_t Blue() const { return fRGB.b; }
  TColor Color() const { return fColor; }
  // The colour given, with hue, saturation and value derived from it; a system colour is
  // resolved first and kept as given.
  void SetRGB(uint8_t r, uint8_t g, uint8_t b);
  void SetColor(TColor color);
  TColor Background() const { return fBackground; }
  void SetBackground(TColor color);

  // Sender.
  TEvent<void*> OnChange;

  // Width of the square: the control's width less the bar and the gap.
  int32_t SquareWidth() const { return Width() - kHueBarWidth - kGap; }

  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;

 protected:
  void Paint() override;
  void Resize() override { Invalidate(); }

 private:
  enum TDrag : uint8_t { dgNone, dgSquare, dgHue };
  // Whether the box is large enough to pick from: the picking divides by the square's width
  // less 1 and by the height less 1.
  bool Pickable() const { return SquareWidth() >= 2 && Height() >= 2; }
  void Pick(int32_t x, int32_t y);
  void HSVChanged();
  // The square's pixels at the current hue and size, kept until either changes.
  void FillSquare();

  int32_t fHue = 0, fSat = 0, fVal = 0;
  TRGB fRGB{};
  TColor fColor = clBlack;
  TColor fBackground = clBtnFace;
  TDrag fDrag = dgNone;
  TBitmap fSquare;
  int32_t fSquareHue = -1;
};

}  // namespace kx
