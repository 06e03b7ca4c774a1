// TStepSlider: the QSlider that shows a TSliderModel and hands it the user's input. The model
// decides every value; the widget only shows it. Range, increment and value come from the
// model; the widget follows every change of the model's value through the model's OnViewChange
// slot (OnChange and OnChanged stay the application's). Dragging the thumb gives DragTo for each
// value and Release when it is let go (so a click on the thumb is one OnChanged); arrow and Page
// keys, clicks on the groove beside the thumb and each wheel notch are StepUp or StepDown;
// Home and End are Home and End. Qt's own single- and page-step arithmetic never reaches the
// value: each action Qt triggers is replaced by the model's answer before Qt sets the value.
// A value set on the widget itself (setValue) counts as the program's: the model's SetValue.
// Whatever the model's handlers throw stops at the widget's event barrier. A handler that
// destroys the widget must do so with deleteLater, since the widget goes on after the call.
#pragma once

#include <QSlider>

#include "app/slider_model.h"
#include "platform/qt/event_barrier.h"

class QWheelEvent;

namespace quillop {

class TStepSlider : public QSlider {
 public:
  // Shows `model`, which is not owned and must outlive the widget. The widget takes the
  // model's OnViewChange slot and gives it back when destroyed.
  explicit TStepSlider(TSliderModel& model, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
  ~TStepSlider() override;

  TSliderModel& Model() const { return fModel; }

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  // The model's value changed: show it, raising nothing in the model.
  void ModelChanged(TSliderModel*);
  void Show();
  void Action(int action);
  void Released();
  void ValueChanged(int value);

  TSliderModel& fModel;
  kx::TQtEventBarrier fBarrier;
  bool fShowing = false;  // the widget is being set to the model's value
  int fWheelRest = 0;     // wheel turn below a whole notch, in eighths of a degree
};

}  // namespace quillop
