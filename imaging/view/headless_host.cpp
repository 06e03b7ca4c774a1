// The headless host.
#include "imaging/view/headless_host.h"

#include <cstring>

#include "platform/control.h"

namespace kx {

THeadlessHost::THeadlessHost(TCustomControl& control, int32_t width, int32_t height) {
  control.SetBounds(0, 0, width, height);
  Attach(control);
}

THeadlessHost::~THeadlessHost() { Detach(); }

void THeadlessHost::Attach(TCustomControl& control) {
  Detach();
  fControl = &control;
  control.SetHost(this);
}

void THeadlessHost::Detach() {
  if (!fControl) return;
  TCustomControl* control = fControl;
  fControl = nullptr;
  control->SetHost(nullptr);
}

TBitmap THeadlessHost::Snapshot() {
  if (!fControl) return TBitmap();
  const TPixelView view = fControl->Render();
  TBitmap out(view.Width, view.Height, pf24bit);
  for (int32_t y = 0; y < view.Height; ++y)
    std::memcpy(out.ScanLine(y), view.Top + y * view.Stride, size_t(view.Width) * 3);
  return out;
}

void THeadlessHost::ClearRecords() {
  Invalidations.clear();
  CursorChanges = 0;
  ScrollBarChanges = 0;
}

void THeadlessHost::Invalidate(TCustomControl&, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Invalidations.push_back(Rect(left, top, right, bottom));
}

void THeadlessHost::CursorChanged(TCustomControl&) { ++CursorChanges; }
void THeadlessHost::ScrollBarsChanged(TCustomControl&) { ++ScrollBarChanges; }
void THeadlessHost::ControlDestroyed(TCustomControl& control) {
  if (&control == fControl) fControl = nullptr;
}

}  // namespace kx
