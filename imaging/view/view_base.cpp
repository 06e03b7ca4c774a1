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

void TKXView::RegisterBitmapChangeEvent(TKXViewNotify handler) { fBitmapChangeEvents.push_back(handler); }

void TKXView::RemoveBitmapChangeEvent(TKXViewNotify handler) {
  auto it = std::find(fBitmapChangeEvents.begin(), fBitmapChangeEvents.end(), handler);
  if (it != fBitmapChangeEvents.end()) fBitmapChangeEvents.erase(it);
}

void TKXView::CallBitmapChangeEvents() {
  // A listener may remove itself while being called: walk a copy.
  const std::vector<TKXViewNotify> handlers = fBitmapChangeEvents;
  for (const TKXViewNotify& h : handlers) h(this);
}

}  // namespace kx
