// A view on a headless host with a given client size, and pictures whose pixels tell where
// they came from, for the view's tests.
#pragma once

#include <vector>

#include "imaging/view/headless_host.h"
#include "imaging/view/view.h"
#include "tests/support/test_support.h"

namespace kxtest {

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
