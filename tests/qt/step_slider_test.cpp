// The step slider on the offscreen platform: it follows the program's values without OnChanged,
// turns a drag into DragTo and Release, and keys, clicks on the groove and wheel notches into
// steps on the increment's grid; Qt's own step arithmetic never shows.
#include "app/qt/step_slider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using quillop::TSliderEvent;
using quillop::TSliderModel;
using quillop::TStepSlider;

namespace {

// Records the model's notifications as a string: "c60" for a change to 60, "!" for the end of
// an interaction.
struct TRecorder {
  std::string log;
  bool changedThrows = false;
  void Change(TSliderModel* s) { log += "c" + std::to_string(s->Value()) + " "; }
  void Changed(TSliderModel*) {
    log += "! ";
    if (changedThrows) throw std::runtime_error("the handler failed");
  }
};

// The slider, with its style option at hand to find the thumb and the groove.
class TProbedSlider : public TStepSlider {
 public:
  using TStepSlider::TStepSlider;
  QRect Part(QStyle::SubControl part) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_Slider, &opt, part, this);
  }
  QRect Thumb() const { return Part(QStyle::SC_SliderHandle); }
  QRect Groove() const { return Part(QStyle::SC_SliderGroove); }
  bool HitsThumb(QPoint p) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->hitTestComplexControl(QStyle::CC_Slider, &opt, p, this) == QStyle::SC_SliderHandle;
  }
};

// A shown slider over a model of 0..100, increment 10, at 55 unless said otherwise; records the
// model's notifications and the values the widget took.
struct TShownSlider {
  TSliderModel Model;
  TRecorder Rec;
  TProbedSlider Slider;
  std::vector<int> Shown;  // the widget's valueChanged

  explicit TShownSlider(int value = 55, Qt::Orientation orientation = Qt::Horizontal)
      : Model(0, 100, 10, value), Slider(Model, orientation) {
    Model.OnChange = TSliderEvent::Bind<&TRecorder::Change>(&Rec);
    Model.OnChanged = TSliderEvent::Bind<&TRecorder::Changed>(&Rec);
    QObject::connect(&Slider, &QSlider::valueChanged, [this](int v) { Shown.push_back(v); });
    if (orientation == Qt::Horizontal)
      Slider.resize(220, 30);
    else
      Slider.resize(30, 220);
    Slider.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Slider));
  }

  // A point on the groove, `offset` pixels beyond the thumb's edge (negative: before it), on
  // the thumb's centre line.
  QPoint BesideThumb(int offset) const {
    const QRect thumb = Slider.Thumb();
    const bool horizontal = Slider.orientation() == Qt::Horizontal;
    QPoint p = thumb.center();
    if (horizontal)
      p.setX(offset > 0 ? thumb.right() + offset : thumb.left() + offset);
    else
      p.setY(offset > 0 ? thumb.bottom() + offset : thumb.top() + offset);
    EXPECT_TRUE(Slider.Groove().contains(p)) << p.x() << "," << p.y();
    EXPECT_FALSE(Slider.HitsThumb(p)) << p.x() << "," << p.y();
    return p;
  }

  void Turn(QPoint angleDelta, bool inverted = false) {
    const QPointF at = Slider.rect().center();
    QWheelEvent event(at, Slider.mapToGlobal(at), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      inverted);
    QApplication::sendEvent(&Slider, &event);
  }
};

}  // namespace

TEST(StepSlider, TakesRangeAndValueFromTheModel) {
  TSliderModel model(-50, 250, 25, 75);
  TStepSlider slider(model, Qt::Vertical);
  EXPECT_EQ(slider.orientation(), Qt::Vertical);
  EXPECT_EQ(slider.minimum(), -50);
  EXPECT_EQ(slider.maximum(), 250);
  EXPECT_EQ(slider.value(), 75);
  EXPECT_EQ(&slider.Model(), &model);
  TSliderModel other(0, 1, 1, 0);
  EXPECT_EQ(TStepSlider(other).orientation(), Qt::Horizontal);
}

TEST(StepSlider, AProgramSetMovesTheWidgetAndRaisesOnlyChange) {
  TShownSlider w;
  w.Model.SetValue(30);
  EXPECT_EQ(w.Slider.value(), 30);
  EXPECT_EQ(w.Slider.sliderPosition(), 30);
  w.Model.SetValue(30);  // the value it has: nothing
  w.Model.SetValue(500);
  EXPECT_EQ(w.Slider.value(), 100);
  EXPECT_EQ(w.Rec.log, "c30 c100 ");
  EXPECT_EQ(w.Shown, (std::vector<int>{30, 100}));
}

TEST(StepSlider, AValueSetOnTheWidgetIsTheProgramsToo) {
  TShownSlider w;
  w.Slider.setValue(42);
  EXPECT_EQ(w.Model.Value(), 42);
  w.Slider.setSliderPosition(17);
  EXPECT_EQ(w.Model.Value(), 17);
  EXPECT_EQ(w.Slider.value(), 17);
  EXPECT_EQ(w.Rec.log, "c42 c17 ");
}

TEST(StepSlider, TheViewSlotIsGivenBackWhenTheWidgetGoes) {
  TSliderModel model(0, 100, 10, 55);
  {
    TStepSlider slider(model);
    EXPECT_EQ(model.OnViewChange.receiver, &slider);
  }
  EXPECT_FALSE(model.OnViewChange.Assigned());
  model.SetValue(20);  // no widget to reach
  EXPECT_EQ(model.Value(), 20);
}

TEST(StepSlider, ADragGivesChangePerNewValueAndOneChanged) {
  TShownSlider w;
  const QPoint start = w.Slider.Thumb().center();
  ASSERT_TRUE(w.Slider.HitsThumb(start));
  QTest::mousePress(&w.Slider, Qt::LeftButton, {}, start);
  EXPECT_TRUE(w.Slider.isSliderDown());
  std::string expected;
  std::vector<int> values;
  for (int dx : {7, 23, 23, -40, -3}) {  // the repeated position gives nothing new
    QTest::mouseMove(&w.Slider, start + QPoint(dx, 0));
    const int v = w.Slider.value();
    EXPECT_EQ(v, w.Model.Value());
    if (values.empty() ? v != 55 : v != values.back()) {
      values.push_back(v);
      expected += "c" + std::to_string(v) + " ";
    }
  }
  ASSERT_GE(values.size(), 3u);
  EXPECT_TRUE(std::any_of(values.begin(), values.end(), [](int v) { return v % 10 != 0; }))
      << "a drag gives any value, not only multiples of the increment";
  EXPECT_GT(values[1], 60);
  EXPECT_LT(values[2], 55);
  EXPECT_EQ(w.Rec.log, expected);
  QTest::mouseRelease(&w.Slider, Qt::LeftButton, {}, start + QPoint(-3, 0));
  EXPECT_FALSE(w.Slider.isSliderDown());
  EXPECT_EQ(w.Rec.log, expected + "! ");
  EXPECT_EQ(w.Shown, values);
}

TEST(StepSlider, ADragPastTheEndStopsAtTheEnd) {
  TShownSlider w;
  const QPoint start = w.Slider.Thumb().center();
  QTest::mousePress(&w.Slider, Qt::LeftButton, {}, start);
  QTest::mouseMove(&w.Slider, start + QPoint(400, 0));
  QTest::mouseMove(&w.Slider, start + QPoint(500, 0));
  QTest::mouseRelease(&w.Slider, Qt::LeftButton, {}, start + QPoint(500, 0));
  EXPECT_EQ(w.Rec.log, "c100 ! ");
}

TEST(StepSlider, AClickOnTheThumbIsOneChangedAndNoChange) {
  TShownSlider w;
  const QPoint p = w.Slider.Thumb().center();
  QTest::mouseClick(&w.Slider, Qt::LeftButton, {}, p);
  EXPECT_EQ(w.Rec.log, "! ");
  EXPECT_EQ(w.Model.Value(), 55);
  EXPECT_TRUE(w.Shown.empty());
}

TEST(StepSlider, AClickOnTheGrooveStepsToTheNextMultiple) {
  TShownSlider w;
  QTest::mouseClick(&w.Slider, Qt::LeftButton, {}, w.BesideThumb(15));
  EXPECT_EQ(w.Model.Value(), 60);
  EXPECT_EQ(w.Slider.value(), 60);
  EXPECT_EQ(w.Rec.log, "c60 ! ");
  QTest::mouseClick(&w.Slider, Qt::LeftButton, {}, w.BesideThumb(-15));
  QTest::mouseClick(&w.Slider, Qt::LeftButton, {}, w.BesideThumb(-15));
  EXPECT_EQ(w.Model.Value(), 40);
  EXPECT_EQ(w.Rec.log, "c60 ! c50 ! c40 ! ");
  EXPECT_EQ(w.Shown, (std::vector<int>{60, 50, 40}));  // no value of Qt's own arithmetic
}

TEST(StepSlider, AClickOnTheGrooveOfAVerticalSliderStepsToo) {
  TShownSlider w(55, Qt::Vertical);
  QTest::mouseClick(&w.Slider, Qt::LeftButton, {}, w.BesideThumb(-15));  // above: towards Max
  EXPECT_EQ(w.Rec.log, "c60 ! ");
  QTest::mouseClick(&w.Slider, Qt::LeftButton, {}, w.BesideThumb(15));
  EXPECT_EQ(w.Rec.log, "c60 ! c50 ! ");
}

TEST(StepSlider, KeysStepOnTheGridAndGoToTheEnds) {
  TShownSlider w;
  QTest::keyClick(&w.Slider, Qt::Key_Right);
  EXPECT_EQ(w.Rec.log, "c60 ! ");
  QTest::keyClick(&w.Slider, Qt::Key_Left);
  QTest::keyClick(&w.Slider, Qt::Key_Left);
  QTest::keyClick(&w.Slider, Qt::Key_Up);
  QTest::keyClick(&w.Slider, Qt::Key_Down);
  QTest::keyClick(&w.Slider, Qt::Key_PageUp);
  QTest::keyClick(&w.Slider, Qt::Key_PageDown);
  EXPECT_EQ(w.Rec.log, "c60 ! c50 ! c40 ! c50 ! c40 ! c50 ! c40 ! ");
  w.Rec.log.clear();
  w.Model.SetValue(55);
  QTest::keyClick(&w.Slider, Qt::Key_PageUp);
  QTest::keyClick(&w.Slider, Qt::Key_Home);
  QTest::keyClick(&w.Slider, Qt::Key_Home);  // nothing changes, the interaction still ends
  QTest::keyClick(&w.Slider, Qt::Key_End);
  QTest::keyClick(&w.Slider, Qt::Key_Right);
  EXPECT_EQ(w.Rec.log, "c55 c60 ! c0 ! ! c100 ! ! ");
  EXPECT_EQ(w.Slider.value(), 100);
  EXPECT_EQ(w.Shown, (std::vector<int>{60, 50, 40, 50, 40, 50, 40, 55, 60, 0, 100}));
}

TEST(StepSlider, EachWheelNotchIsOneStep) {
  TShownSlider w;
  w.Turn({0, 120});
  EXPECT_EQ(w.Rec.log, "c60 ! ");
  w.Turn({0, -120});
  EXPECT_EQ(w.Rec.log, "c60 ! c50 ! ");
  w.Turn({0, -240});  // two notches in one event
  EXPECT_EQ(w.Rec.log, "c60 ! c50 ! c40 ! c30 ! ");
  w.Rec.log.clear();
  w.Turn({-120, 0});       // a tilt to the right goes towards Max, as in Qt
  w.Turn({0, 120}, true);  // a turn the user's settings invert
  EXPECT_EQ(w.Rec.log, "c40 ! c30 ! ");
  EXPECT_EQ(w.Shown, (std::vector<int>{60, 50, 40, 30, 40, 30}));
}

TEST(StepSlider, WheelTurnsBelowANotchAddUp) {
  TShownSlider w;
  w.Turn({0, 60});
  EXPECT_EQ(w.Rec.log, "");
  w.Turn({0, 60});
  EXPECT_EQ(w.Rec.log, "c60 ! ");
  w.Turn({0, 90});
  w.Turn({0, -60});  // turning back drops the 90
  w.Turn({0, -60});
  EXPECT_EQ(w.Rec.log, "c60 ! c50 ! ");
}

TEST(StepSlider, AMiddleClickPutsTheThumbThereAsADrag) {
  TShownSlider w;
  QStyleOptionSlider opt;
  if (!(w.Slider.style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons, &opt, &w.Slider) & Qt::MiddleButton))
    GTEST_SKIP() << "the style does not set the value with the middle button";
  const QPoint p = w.BesideThumb(40);
  QTest::mousePress(&w.Slider, Qt::MiddleButton, {}, p);
  const int v = w.Model.Value();
  EXPECT_GT(v, 60);
  EXPECT_EQ(w.Rec.log, "c" + std::to_string(v) + " ");
  QTest::mouseRelease(&w.Slider, Qt::MiddleButton, {}, p);
  EXPECT_EQ(w.Rec.log, "c" + std::to_string(v) + " ! ");
}

TEST(StepSlider, AThrowingHandlerStopsAtTheBarrierAndTheWidgetGoesOn) {
  TShownSlider w;
  w.Rec.changedThrows = true;
  testing::internal::CaptureStderr();
  QTest::keyClick(&w.Slider, Qt::Key_Right);
  QTest::keyClick(&w.Slider, Qt::Key_Right);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "kestrix: the slider step event failed and was ignored: the handler failed\n");
  EXPECT_EQ(w.Rec.log, "c60 ! c70 ! ");
  EXPECT_EQ(w.Slider.value(), 70);
}
