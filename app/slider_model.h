// TSliderModel: what the application needs of a slider, apart from any widget. A range, an
// increment and a value; OnChange whenever the value changes, whoever changed it (setting the
// value it has raises nothing); OnChanged at the end of every user interaction, even one that
// changed nothing, and never for a value the program set. Dragging gives any value of the
// range; steps (arrow keys, clicks on the ruler beside the thumb, wheel notches) go to the next
// multiple of the increment; Home and End go to the ends.
#pragma once

#include <cstdint>

#include "imaging/core/event.h"

namespace quillop {

class TSliderModel;
using TSliderEvent = kx::TEvent<TSliderModel*>;

class TSliderModel {
 public:
  // `increment` below 1 counts as 1; `value` is clamped into min..max.
  TSliderModel(int32_t min, int32_t max, int32_t increment, int32_t value);

  int32_t Min() const { return fMin; }
  int32_t Max() const { return fMax; }
  int32_t Increment() const { return fIncrement; }
  int32_t Value() const { return fValue; }

  // The program sets the value (clamped): OnChange when it differs, never OnChanged.
  void SetValue(int32_t value);

  // The user's interactions.
  // While the thumb is dragged: OnChange for each new value, nothing else.
  void DragTo(int32_t value);
  // The thumb is let go (after a drag or a click on it): OnChanged.
  void Release();
  // One step up (towards Max) or down, to the next multiple of the increment, then OnChanged.
  void StepUp();
  void StepDown();
  void Home();
  void End();

  TSliderEvent OnChange;
  TSliderEvent OnChanged;
  // The slot of the one widget that shows the model, so it follows the program's values without
  // taking OnChange from the application: raised on every change of value, whoever made it,
  // just before OnChange (so OnChange finds the widget showing the new value). Nothing else.
  TSliderEvent OnViewChange;

 private:
  void Change(int32_t value);
  void Interacted() { OnChanged(this); }

  int32_t fMin, fMax, fIncrement, fValue;
};

}  // namespace quillop
