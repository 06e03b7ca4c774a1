// The slider contract: who raises which notification, and where steps land.
#include "app/slider_model.h"

#include <gtest/gtest.h>

#include <string>

using quillop::TSliderEvent;
using quillop::TSliderModel;

namespace {

// Records the notifications as a string: "c60" for a change to 60, "!" for the end of an
// interaction.
struct TRecorder {
  std::string log;
  void Change(TSliderModel* s) { log += "c" + std::to_string(s->Value()) + " "; }
  void Changed(TSliderModel*) { log += "! "; }
  void Bind(TSliderModel& s) {
    s.OnChange = TSliderEvent::Bind<&TRecorder::Change>(this);
    s.OnChanged = TSliderEvent::Bind<&TRecorder::Changed>(this);
  }
};

}  // namespace

TEST(SliderModel, TheProgramRaisesChangeOnlyAndOnlyForANewValue) {
  TSliderModel s(0, 100, 10, 60);
  TRecorder r;
  r.Bind(s);
  s.SetValue(60);
  s.SetValue(35);
  s.SetValue(500);
  s.SetValue(100);
  EXPECT_EQ(r.log, "c35 c100 ");
}

TEST(SliderModel, EveryInteractionEndsWithChangedEvenWithoutAChange) {
  TSliderModel s(-100, 100, 20, 0);
  TRecorder r;
  r.Bind(s);
  s.Release();  // a click on the thumb
  s.DragTo(7);
  s.DragTo(7);
  s.DragTo(13);
  s.Release();
  EXPECT_EQ(r.log, "! c7 c13 ! ");
}

TEST(SliderModel, StepsSnapToTheIncrementAndStopAtTheEnds) {
  struct TCase {
    int32_t from;
    bool up;
    int32_t to;
  };
  const TCase cases[] = {
      {0, true, 20},  {13, true, 20},  {20, true, 40},   {13, false, 0},     {0, false, -20},     {-13, false, -20},
      {-13, true, 0}, {90, true, 100}, {100, true, 100}, {-90, false, -100}, {-100, false, -100},
  };
  for (const TCase& c : cases) {
    TSliderModel s(-100, 100, 20, c.from);
    TRecorder r;
    r.Bind(s);
    c.up ? s.StepUp() : s.StepDown();
    EXPECT_EQ(s.Value(), c.to) << c.from << (c.up ? " up" : " down");
    EXPECT_EQ(r.log.substr(r.log.size() - 2), "! ") << c.from;
  }
  TSliderModel s(0, 100, 10, 60);
  TRecorder r;
  r.Bind(s);
  s.Home();
  s.Home();
  s.End();
  EXPECT_EQ(r.log, "c0 ! ! c100 ! ");
}

TEST(SliderModel, TheViewHearsEveryChangeBeforeTheApplicationAndNothingElse) {
  TSliderModel s(0, 100, 10, 60);
  TRecorder r;
  r.Bind(s);
  struct TView {
    std::string* log;
    void Change(TSliderModel* s) { *log += "v" + std::to_string(s->Value()) + " "; }
  } view{&r.log};
  s.OnViewChange = TSliderEvent::Bind<&TView::Change>(&view);
  s.SetValue(60);  // the value it has: nothing
  s.SetValue(35);
  s.DragTo(40);
  s.Release();
  s.StepUp();
  s.End();
  s.End();
  EXPECT_EQ(r.log, "v35 c35 v40 c40 ! v50 c50 ! v100 c100 ! ! ");
}
