// The step slider: Qt's actions replaced by the model's answers, the wheel in whole notches.
#include "app/qt/step_slider.h"

#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace quillop {

namespace {

// A wheel notch, in eighths of a degree. One event counts at most a hundred notches.
constexpr int kWheelNotch = 120;
constexpr int kMaxWheelTurn = 100 * kWheelNotch;

}  // namespace

TStepSlider::TStepSlider(TSliderModel& model, Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent), fModel(model) {
  fShowing = true;
  setRange(fModel.Min(), fModel.Max());
  // Only for the looks (ticks) and for styles that ask: the steps themselves are the model's.
  setSingleStep(fModel.Increment());
  setPageStep(fModel.Increment());
  setTickInterval(fModel.Increment());
  setValue(fModel.Value());
  fShowing = false;
  setTracking(true);  // every position of a drag is a value
  fModel.OnViewChange = TSliderEvent::Bind<&TStepSlider::ModelChanged>(this);
  connect(this, &QAbstractSlider::actionTriggered, this, &TStepSlider::Action);
  connect(this, &QAbstractSlider::sliderReleased, this, &TStepSlider::Released);
  connect(this, &QAbstractSlider::valueChanged, this, &TStepSlider::ValueChanged);
}

TStepSlider::~TStepSlider() {
  if (fModel.OnViewChange.receiver == this) fModel.OnViewChange = {};
}

void TStepSlider::ModelChanged(TSliderModel*) { Show(); }

void TStepSlider::Show() {
  const bool showing = fShowing;
  fShowing = true;
  setValue(fModel.Value());
  fShowing = showing;
}

// Qt has moved the slider position by its own arithmetic and emits actionTriggered before it
// sets the value from that position: the model acts instead, and the position is put back to
// the model's value, so the value Qt then sets is the model's.
void TStepSlider::Action(int action) {
  switch (action) {
    case SliderSingleStepAdd:
    case SliderPageStepAdd:
      fBarrier.Run("slider step", [&] { fModel.StepUp(); });
      break;
    case SliderSingleStepSub:
    case SliderPageStepSub:
      fBarrier.Run("slider step", [&] { fModel.StepDown(); });
      break;
    case SliderToMinimum:
      fBarrier.Run("slider home", [&] { fModel.Home(); });
      break;
    case SliderToMaximum:
      fBarrier.Run("slider end", [&] { fModel.End(); });
      break;
    case SliderMove: {
      // A drag, or a press that puts the thumb under the mouse (the style's absolute-set button),
      // both ended by Release; Qt's wheel arithmetic, the other source, is replaced below. A
      // setSliderPosition called on the widget comes here too: DragTo does what SetValue does.
      const int position = sliderPosition();
      fBarrier.Run("slider drag", [&] { fModel.DragTo(position); });
      break;
    }
    default:
      break;
  }
  // Normally the position is the model's already (OnViewChange showed it); this also covers an
  // action that changed nothing in the model while Qt's arithmetic moved the position.
  setSliderPosition(fModel.Value());
}

void TStepSlider::Released() {
  fBarrier.Run("slider release", [&] { fModel.Release(); });
}

// valueChanged comes from the model's values shown (ignored) and from setValue called on the
// widget by the program, which goes to the model as the program's value.
void TStepSlider::ValueChanged(int value) {
  if (fShowing || value == fModel.Value()) return;
  fBarrier.Run("slider value", [&] { fModel.SetValue(value); });
  if (this->value() != fModel.Value()) Show();
}

// Each whole notch is one step, and one interaction. Turns below a notch (touchpads) add up;
// turning back drops the rest. As with Qt's sliders, up, and left on a tilting wheel, go
// towards Max, and the event goes on to the parent when it moved nothing.
void TStepSlider::wheelEvent(QWheelEvent* event) {
  const QPoint turn = event->angleDelta();
  int delta = std::clamp(turn.y() != 0 ? turn.y() : -turn.x(), -kMaxWheelTurn, kMaxWheelTurn);
  if (event->inverted()) delta = -delta;
  if (invertedControls()) delta = -delta;
  if ((fWheelRest < 0 && delta > 0) || (fWheelRest > 0 && delta < 0)) fWheelRest = 0;
  fWheelRest += delta;
  const int notches = fWheelRest / kWheelNotch;
  fWheelRest -= notches * kWheelNotch;
  const int before = fModel.Value();
  for (int i = 0; i < std::abs(notches); ++i)
    if (!fBarrier.Run("slider wheel", [&] { notches > 0 ? fModel.StepUp() : fModel.StepDown(); })) break;
  event->setAccepted(fModel.Value() != before || (notches == 0 && delta != 0));
}

}  // namespace quillop
