// Both components link to a view the same way: linking the linked view again changes nothing
// and adds no second listener, so one unlink leaves the view with no reference to them.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/components/kestrix_io.h"
#include "imaging/components/kestrix_proc.h"

using namespace kx;

namespace {

struct TSwitchingView : TKXView {
  TBitmap first{2, 2}, second{3, 3};
  TBitmap* current = &first;
  TBitmap* GetFBitmap() override { return current; }
  void Paint() override {}
  void Replace(TBitmap* bitmap) {
    current = bitmap;
    CallBitmapChangeEvents();
  }
};

template <typename TComponent>
TBitmap* Working(const TComponent& component) {
  if constexpr (requires { component.WorkingBitmap(); })
    return component.WorkingBitmap();
  else
    return component.Bitmap();
}

template <typename TComponent>
void LinkingTheSameViewTwice() {
  TSwitchingView view;
  TBitmap own(4, 4);
  auto component = std::make_unique<TComponent>();
  component->SetAttachedKestrix(&view);
  view.Replace(&view.second);
  component->SetAttachedKestrix(&view);
  EXPECT_EQ(component->AttachedKestrix(), &view);
  EXPECT_EQ(Working(*component), &view.second) << "linking again keeps the followed bitmap";

  component->SetAttachedBitmap(&own);
  EXPECT_EQ(component->AttachedKestrix(), nullptr);
  view.Replace(&view.first);
  EXPECT_EQ(Working(*component), &own) << "one unlink withdraws the only listener";

  component->SetAttachedKestrix(nullptr);
  EXPECT_EQ(Working(*component), &own) << "unlinking no view leaves the bitmap";

  component->SetAttachedKestrix(&view);
  component->SetAttachedKestrix(&view);
  component.reset();
  view.Replace(&view.second);  // would reach the destroyed component if it listened twice
}

}  // namespace

TEST(ViewLink, TheIOComponentLinksTheSameViewOnce) { LinkingTheSameViewTwice<TKestrixIO>(); }
TEST(ViewLink, TheProcessingComponentLinksTheSameViewOnce) { LinkingTheSameViewTwice<TKestrixProc>(); }
