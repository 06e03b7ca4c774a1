// The view's geometry: zoom, view origin, scroll bars, extent and centring, and the
// conversions between client and picture coordinates.
#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/core/pixelformat.h"
#include "imaging/view/view.h"

namespace kx {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t ClampZoom(int64_t zoom) { return int32_t(std::clamp<int64_t>(zoom, 1, kKXMaxZoom)); }

// The zoom at which a picture fits the given size; never below 1.
int32_t FitZoom(int32_t width, int32_t height, const TBitmap& bitmap) {
  const double zx = double(width) / (bitmap.Width() / 100.0), zy = double(height) / (bitmap.Height() / 100.0);
  return ClampZoom(std::min<int64_t>(KXTrunc(zx), KXTrunc(zy)));
}

}  // namespace

int64_t TKestrixView::Zoomed(int32_t size) const { return int64_t(std::nearbyint(size / 100.0 * fZoom)); }

TPoint TKestrixView::MaxView() const {
  const int64_t zw = Zoomed(fBitmap.Width()), zh = Zoomed(fBitmap.Height());
  if (zw < 1 || zh < 1) return TPoint{};
  if (Width() >= zw && Height() >= zh) return TPoint{};
  return TPoint{int32_t(std::clamp<int64_t>(zw - ClientWidth(), 0, kInt32Max)),
                int32_t(std::clamp<int64_t>(zh - ClientHeight(), 0, kInt32Max))};
}

int32_t TKestrixView::XScr2Bmp(int32_t x) const { return KXRound(100.0 / fZoom * (double(x) + fViewX - fOffsetX)); }
int32_t TKestrixView::YScr2Bmp(int32_t y) const { return KXRound(100.0 / fZoom * (double(y) + fViewY - fOffsetY)); }
int32_t TKestrixView::XBmp2Scr(int32_t x) const { return KXRound(double(x) * fZoom / 100.0 + (fOffsetX - fViewX)); }
int32_t TKestrixView::YBmp2Scr(int32_t y) const { return KXRound(double(y) * fZoom / 100.0 + (fOffsetY - fViewY)); }

void TKestrixView::UpdateScrollBar(TScrollBarKind kind, bool allowed, int32_t maxOrigin, int32_t client,
                                   int32_t origin) {
  if (!allowed) return;
  if (maxOrigin < 1) {
    SetScrollBar(kind, TScrollBarState{});
    return;
  }
  const int32_t max = int32_t(std::min<int64_t>(int64_t(client) + maxOrigin - 1, kInt32Max));
  SetScrollBar(kind, TScrollBarState{true, 0, max, client, origin});
}

// One pass of Update up to the scroll bars; true when a bar appeared or vanished and so
// changed the client area.
bool TKestrixView::UpdatePass() {
  if (fAutoFit && !fBitmap.Empty()) {
    fZoom = FitZoom(Width(), Height(), fBitmap);
    Changed(1);
  }
  if (fBitmap.Width() != fLastWidth || fBitmap.Height() != fLastHeight) {
    fLastWidth = fBitmap.Width();
    fLastHeight = fBitmap.Height();
    if (PolySelCount() > 0) DeSelect();
  }
  const TPoint max = MaxView();
  const int32_t vx = std::clamp(fViewX, 0, max.X), vy = std::clamp(fViewY, 0, max.Y);
  if (vx != fViewX || vy != fViewY) {
    fViewX = vx;
    fViewY = vy;
    Changed(0);
  }
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  UpdateScrollBar(sbHorizontal, fScrollBars == ssHorizontal || fScrollBars == ssBoth, max.X, cw, fViewX);
  UpdateScrollBar(sbVertical, fScrollBars == ssVertical || fScrollBars == ssBoth, max.Y, ch, fViewY);
  return cw != ClientWidth() || ch != ClientHeight();
}

void TKestrixView::Update() {
  if (!HasParent()) return;
  // A bar that appears can shrink the client area so that the other one is needed, or make
  // itself unnecessary; two more passes settle every case that can settle, and a layout that
  // would flip for ever stops there.
  bool changed = UpdatePass();
  for (int rerun = 0; changed && rerun < 2; ++rerun) changed = UpdatePass();
  if (PolySelCount() > 0) fSel.Visible = true;
  fZoomedWidth = Zoomed(fBitmap.Width());
  fZoomedHeight = Zoomed(fBitmap.Height());
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  fExtentWidth = int32_t(std::clamp<int64_t>(fZoomedWidth, 0, cw));
  fExtentHeight = int32_t(std::clamp<int64_t>(fZoomedHeight, 0, ch));
  fOffsetX = fCenter && fExtentWidth < cw ? (cw - fExtentWidth) / 2 : 0;
  fOffsetY = fCenter && fExtentHeight < ch ? (ch - fExtentHeight) / 2 : 0;
  fBackgroundDirty = true;
  Invalidate();
}

void TKestrixView::SetZoom(int32_t zoom) {
  if (zoom <= 0) return;
  zoom = std::min(zoom, kKXMaxZoom);
  if (zoom == fZoom) return;
  LockPaint();
  fZoom = zoom;
  Update();
  NPUnLockPaint();
  if (fDelayZoomFilter && fZoomFilter != rfNone) fDelayCount = 2;
  Paint();
  Changed(1);
}

void TKestrixView::SetViewXY(int32_t x, int32_t y) {
  const TPoint max = MaxView();
  fViewX = std::clamp(x, 0, max.X);
  fViewY = std::clamp(y, 0, max.Y);
  // The off-screen picture shows the old origin: a double-buffered paint must redo it.
  fBackgroundDirty = true;
  if (fDelayZoomFilter && fZoomFilter != rfNone) fDelayCount = 2;
  Paint();
  Changed(0);
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    TScrollBarState bar = ScrollBar(kind);
    if (!bar.Visible) continue;
    bar.Position = kind == sbHorizontal ? fViewX : fViewY;
    SetScrollBar(kind, bar);
  }
}

void TKestrixView::ZoomAt(int32_t x, int32_t y, int32_t zoom) {
  LockPaint();
  const int32_t bx = XScr2Bmp(x), by = YScr2Bmp(y);
  SetZoom(zoom);
  const double z = fZoom;
  SetViewXY(KXTrunc(bx * z / 100.0 - ClientWidth() / 2), KXTrunc(by * z / 100.0 - ClientHeight() / 2));
  UnLockPaint();
}

void TKestrixView::Fit() {
  if (fBitmap.Empty()) return;
  SetZoom(FitZoom(Width(), Height(), fBitmap));
}

void TKestrixView::ZoomSelection() {
  if (PolySelCount() == 0) return;
  LockPaint();
  const int32_t x1 = SelX1(), y1 = SelY1();
  const double w = double(SelX2()) - x1 + 1, h = double(SelY2()) - y1 + 1;
  DeSelect();
  SetZoom(ClampZoom(std::min<int64_t>(KXTrunc(Width() / (w / 100)), KXTrunc(Height() / (h / 100)))));
  const double z = fZoom / 100.0;
  SetViewXY(KXTrunc(x1 * z) - (ClientWidth() - KXTrunc(w * z)) / 2,
            KXTrunc(y1 * z) - (ClientHeight() - KXTrunc(h * z)) / 2);
  UnLockPaint();
}

int32_t TKestrixView::IdealComponentWidth() const {
  int64_t w = int64_t(std::trunc(fBitmap.Width() / 100.0 * fZoom)) + 1;
  if (fScrollBars == ssHorizontal || fScrollBars == ssBoth) w += Width() - ClientWidth();
  return int32_t(std::min(w, kInt32Max));
}

int32_t TKestrixView::IdealComponentHeight() const {
  int64_t h = int64_t(std::trunc(fBitmap.Height() / 100.0 * fZoom)) + 1;
  if (fScrollBars == ssVertical || fScrollBars == ssBoth) h += Height() - ClientHeight();
  return int32_t(std::min(h, kInt32Max));
}

void TKestrixView::UnLockPaint() {
  if (fLockPaint > 0) --fLockPaint;
  if (fLockPaint == 0) Update();
}

void TKestrixView::NPUnLockPaint() {
  if (fLockPaint > 0) --fLockPaint;
}

void TKestrixView::Resize() { Update(); }

void TKestrixView::Scrolled(TScrollBarKind kind, int32_t position) {
  if (kind == sbHorizontal)
    SetViewX(position);
  else
    SetViewY(position);
}

}  // namespace kx
