// The slider contract: clamping, the increment's grid and the two notifications.
#include "app/slider_model.h"

#include <algorithm>

namespace quillop {

namespace {

// Floor division, so that the grid of multiples runs on through zero.
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

TSliderModel::TSliderModel(int32_t min, int32_t max, int32_t increment, int32_t value)
    : fMin(std::min(min, max)),
      fMax(std::max(min, max)),
      fIncrement(std::max(increment, 1)),
      fValue(std::clamp(value, fMin, fMax)) {}

void TSliderModel::Change(int32_t value) {
  value = std::clamp(value, fMin, fMax);
  if (value == fValue) return;
  fValue = value;
  OnViewChange(this);
  OnChange(this);
}

void TSliderModel::SetValue(int32_t value) { Change(value); }

void TSliderModel::DragTo(int32_t value) { Change(value); }

void TSliderModel::Release() { Interacted(); }

void TSliderModel::StepUp() {
  const int64_t next = (FloorDiv(fValue, fIncrement) + 1) * fIncrement;
  Change(int32_t(std::min<int64_t>(next, fMax)));
  Interacted();
}

void TSliderModel::StepDown() {
  // The multiple below: the value itself when it lies between two multiples.
  const int64_t below = FloorDiv(int64_t(fValue) - 1, fIncrement) * fIncrement;
  Change(int32_t(std::max<int64_t>(below, fMin)));
  Interacted();
}

void TSliderModel::Home() {
  Change(fMin);
  Interacted();
}

void TSliderModel::End() {
  Change(fMax);
  Interacted();
}

}  // namespace quillop
