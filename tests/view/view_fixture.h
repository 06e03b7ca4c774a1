// A view on a headless host with a given client size, and pictures whose pixels tell where
// they came from, for the view's tests.
#pragma once

#include <vector>

#include "imaging/view/headless_host.h"
#include "imaging/view/view.h"

namespace kxtest {

// Pixel (x, y) has red x, green y and blue 7 (coordinates modulo 256).
inline kx::TBitmap CoordinatePicture(int32_t w, int32_t h) {
  kx::TBitmap b(w, h, kx::pf24bit);
  for (int32_t y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<kx::TRGB*>(b.ScanLine(y));
    for (int32_t x = 0; x < w; ++x) row[x] = kx::CreateRGB(uint8_t(x), uint8_t(y), 7);
  }
  return b;
}

// A view with a one-pixel border whose client area is clientWidth x clientHeight (no bars),
// showing `picture`.
struct THostedView {
  kx::TKestrixView View;
  kx::THeadlessHost Host;
  std::vector<int32_t> ViewChanges;

  THostedView(int32_t clientWidth, int32_t clientHeight, const kx::TBitmap& picture) {
    View.SetBounds(0, 0, clientWidth + 2, clientHeight + 2);
    Host.Attach(View);
    View.Assign(&picture);
    View.OnViewChange = kx::TKXViewChangeEvent::Bind<&THostedView::Changed>(this);
  }
  void Changed(kx::TKXView*, int32_t change) { ViewChanges.push_back(change); }
  kx::TBitmap Shot() { return Host.Snapshot(); }
};

}  // namespace kxtest
