// The view base: background, resolution and the bitmap-change listeners.
#include "imaging/view/view_base.h"

#include <algorithm>

#include "platform/screen.h"

namespace kx {

TKXView::TKXView() : fBackground(clBtnFace), fDpiX(gSystemDPIX), fDpiY(gSystemDPIY) { SetBorderStyle(bsSingle); }

void TKXView::SetBackGround(TColor color) { fBackground = color; }
void TKXView::SetDPIX(int32_t dpi) { fDpiX = dpi; }
void TKXView::SetDPIY(int32_t dpi) { fDpiY = dpi; }
void TKXView::SetDPI(int32_t dpiX, int32_t dpiY) {
  SetDPIX(dpiX);
  SetDPIY(dpiY);
}

void TKXView::RegisterBitmapChangeEvent(TKXViewNotify handler) {
  fBitmapChangeEvents.push_back({handler, fNextBitmapChangeSerial++});
}

void TKXView::RemoveBitmapChangeEvent(TKXViewNotify handler) {
  auto it = std::find_if(fBitmapChangeEvents.begin(), fBitmapChangeEvents.end(),
                         [&](const TBitmapChangeEntry& e) { return e.Handler == handler; });
  if (it != fBitmapChangeEvents.end()) fBitmapChangeEvents.erase(it);
}

void TKXView::CallBitmapChangeEvents() {
  // A listener may remove another one (or destroy a component that listens), so a copy of the
  // list could call a receiver that is gone. Each step looks the next entry up in the list as it
  // is now, by registration number; those registered during the walk wait for the next call.
  const uint64_t end = fNextBitmapChangeSerial;
  uint64_t next = 0;
  for (;;) {
    auto it = std::lower_bound(fBitmapChangeEvents.begin(), fBitmapChangeEvents.end(), next,
                               [](const TBitmapChangeEntry& e, uint64_t serial) { return e.Serial < serial; });
    if (it == fBitmapChangeEvents.end() || it->Serial >= end) return;
    next = it->Serial + 1;
    const TKXViewNotify handler = it->Handler;  // the call may change the list under `it`
    handler(this);
  }
}

}  // namespace kx
