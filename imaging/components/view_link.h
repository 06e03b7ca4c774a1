// The link from a component to the view whose bitmap it works on. Linking asks the view for a
// destruction notice and for its bitmap-change calls; unlinking gives both back. Linking the
// view that is linked already changes nothing, so a component never listens twice.
#pragma once

#include "imaging/view/view_base.h"
#include "platform/control.h"

namespace kx {

class TKXViewLink {
 public:
  TKXViewLink(TFreeNotifyTarget& owner, TKXViewNotify onBitmapChange) : fOwner(owner), fOnChange(onBitmapChange) {}
  ~TKXViewLink() { Unlink(); }
  TKXViewLink(const TKXViewLink&) = delete;
  TKXViewLink& operator=(const TKXViewLink&) = delete;

  TKXView* View() const { return fView; }
  // Links `view` in place of the linked one; null unlinks. False when `view` is linked already
  // and nothing changed.
  bool Link(TKXView* view);
  void Unlink();
  // For the owner's destruction notice: forgets the view without calling it (it is half
  // destroyed). True when `control` was the linked view.
  bool Forget(const TCustomControl& control);

 private:
  TFreeNotifyTarget& fOwner;
  TKXViewNotify fOnChange;
  TKXView* fView = nullptr;
};

}  // namespace kx
