// The component-to-view link.
#include "imaging/components/view_link.h"

namespace kx {

bool TKXViewLink::Link(TKXView* view) {
  if (view == fView) return false;
  Unlink();
  if (!view) return true;
  fView = view;
  view->FreeNotification(&fOwner);
  view->RegisterBitmapChangeEvent(fOnChange);
  return true;
}

void TKXViewLink::Unlink() {
  if (!fView) return;
  fView->RemoveBitmapChangeEvent(fOnChange);
  fView->RemoveFreeNotification(&fOwner);
  fView = nullptr;
}

bool TKXViewLink::Forget(const TCustomControl& control) {
  if (&control != static_cast<const TCustomControl*>(fView)) return false;
  fView = nullptr;
  return true;
}

}  // namespace kx
