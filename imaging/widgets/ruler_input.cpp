// The ruler's grips under the mouse and the keys. Scrolling past an end runs on the control's
// timer rather than in a loop inside the move: a host learns that the button went up only from
// its event loop, so a loop waiting for the release would never end.
#include <cmath>

#include "imaging/core/pixelformat.h"
#include "imaging/widgets/ruler_box.h"
#include "platform/keys.h"

namespace kx {

void TRulerBox::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (button != mbLeft) return;
  const int32_t at = fRulerDir == rdHorizontal ? x : y;
  int32_t pressed = -1;
  for (int32_t i = GripsCount() - 1; i >= 0 && pressed < 0; --i) {
    const TRect hit = GripHitRect(i);
    if (x >= hit.Left && x < hit.Right && y >= hit.Top && y < hit.Bottom) pressed = i;
  }
  if (pressed < 0) {
    OnRulerClick(this, at / fDotPerUnit + fViewPos);
    return;
  }
  fPressedGrip = pressed;
  fCurrentGrip = pressed;
  fPressX = x, fPressY = y;
  fPressOffset = GripPixel(pressed) - at;
  if (shift.Contains(ssDouble)) OnRulerGripDblClick(this, pressed);
}

void TRulerBox::MouseMove(TShiftState /*shift*/, int32_t x, int32_t y) {
  if (fPressedGrip < 0) return;
  const int32_t at = fRulerDir == rdHorizontal ? x : y;
  const int32_t direction = at < 0 ? -1 : at >= Along() ? 1 : 0;
  if (direction == 0) {
    StopScrolling();
    SetGripsPos(fPressedGrip, (at + fPressOffset) / fDotPerUnit + fViewPos);
    return;
  }
  if (direction == fScrollDirection) return;
  fScrollDirection = direction;
  ScrollStep();
  if (fScrollDirection != 0) SetTimer(kScrollTimer, kScrollIntervalMs);
}

void TRulerBox::MouseUp(TMouseButton button, TShiftState /*shift*/, int32_t x, int32_t y) {
  if (button != mbLeft) return;
  const int32_t released = fPressedGrip;
  StopScrolling();
  fPressedGrip = -1;
  if (released >= 0 && x == fPressX && y == fPressY) OnRulerGripClick(this, released);
}

void TRulerBox::Timer(int32_t id) {
  if (id == kScrollTimer) ScrollStep();
}

void TRulerBox::ScrollStep() {
  const int32_t i = fPressedGrip;
  if (i < 0 || i >= GripsCount() || fScrollDirection == 0) {
    StopScrolling();
    return;
  }
  // The grip goes where the pointer would put it one pixel beyond the edge it passed.
  const int32_t edge = fScrollDirection < 0 ? -1 : Along();
  TGrip& grip = fGrips[size_t(i)];
  grip.Pos = WithinLimits(grip, (edge + fPressOffset) / fDotPerUnit + fViewPos);
  fViewPos = ClampedViewPos(fViewPos + fScrollDirection / fDotPerUnit);
  Invalidate();
  OnRulerPosChange(this, i);
}

void TRulerBox::StopScrolling() {
  fScrollDirection = 0;
  KillTimer(kScrollTimer);
}

void TRulerBox::KeyDown(int32_t key, TShiftState shift) {
  if (GripsCount() == 0) return;
  if (key == vkPrior || key == vkNext) {
    fCurrentGrip = (fCurrentGrip + (key == vkNext ? 1 : GripsCount() - 1)) % GripsCount();
    return;
  }
  const int32_t back = fRulerDir == rdHorizontal ? vkLeft : vkUp;
  const int32_t forth = fRulerDir == rdHorizontal ? vkRight : vkDown;
  if (key != back && key != forth) return;
  const int32_t pixels = (key == back ? -1 : 1) * (shift.Contains(ssShift) ? 10 : 1);
  SetGripsPos(fCurrentGrip, GetGripsPos(fCurrentGrip) + pixels / fDotPerUnit);
}

}  // namespace kx
