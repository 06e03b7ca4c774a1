// The view's life, properties and picture replacement.
#include "imaging/view/view.h"

#include <algorithm>
#include <iterator>

#include "imaging/core/busy.h"

namespace kx {

int32_t KXNextZoom(int32_t zoom, bool zoomIn) {
  if (zoomIn) {
    if (zoom >= 100) return std::min(zoom + 100, kKXMaxZoom);
    for (int32_t step : kKXZoomSteps)
      if (step > zoom) return step;
    return 100;
  }
  if (zoom >= 200) return zoom - 100;
  for (auto it = std::rbegin(kKXZoomSteps); it != std::rend(kKXZoomSteps); ++it)
    if (*it < zoom) return *it;
  return kKXZoomSteps[0];
}

TKestrixView::TKestrixView() {
  SetBounds(0, 0, 105, 105);
  SetCursor(crKXCross2);
  SetSelectionOptions(fSelectionOptions);
  SetTimer(kKXAnimationTimer, kKXAnimationInterval);
}

TKestrixView::~TKestrixView() = default;

void TKestrixView::SetBackGround(TColor color) {
  TKXView::SetBackGround(color);
  Update();
  OnImageChange(this);
}

void TKestrixView::SetBackgroundStyle(TKXBackgroundStyle style) {
  fBackgroundStyle = style;
  Update();
}

void TKestrixView::SetZoomFilter(TResampleFilter filter) {
  fZoomFilter = filter;
  Update();
}

void TKestrixView::SetScrollBars(TScrollStyle bars) {
  fScrollBars = bars;
  const bool horizontal = bars == ssHorizontal || bars == ssBoth, vertical = bars == ssVertical || bars == ssBoth;
  if (!horizontal) SetScrollBar(sbHorizontal, TScrollBarState{});
  if (!vertical) SetScrollBar(sbVertical, TScrollBarState{});
  Update();
}

void TKestrixView::SetCenter(bool center) {
  if (center == fCenter) return;
  fCenter = center;
  Update();
}

void TKestrixView::SetAutoFit(bool autoFit) {
  fAutoFit = autoFit;
  Update();
}

void TKestrixView::SetDoubleBuffer(bool doubleBuffer) {
  fDoubleBuffer = doubleBuffer;
  if (!doubleBuffer) fOffscreen.SetSize(0, 0);
  fBackgroundDirty = true;
  Invalidate();
}

void TKestrixView::SetMouseInteract(TKXMouseInteract items) {
  const TKXMouseInteract added = items - fMouseInteract;
  // The first newly added item, in this order, decides what it may be combined with.
  static constexpr struct {
    TKXMouseInteractItems Item;
    TKXMouseInteract Keeps;
  } kRules[] = {
      {miScroll, {miZoom}},    {miSelect, {miZoom}},     {miSelectPolygon, {}},
      {miSelectCircle, {}},    {miSelectZoom, {miZoom}}, {miZoom, {miScroll, miSelect, miSelectZoom}},
      {miSelectMagicWand, {}},
  };
  for (const auto& rule : kRules) {
    if (added.Contains(rule.Item)) {
      items = items * (rule.Keeps + TKXMouseInteract{rule.Item});
      break;
    }
  }
  if (fPolyDrawing && !items.Contains(miSelectPolygon)) EndPolygon(true);
  fMouseInteract = items;
}

void TKestrixView::SetSelectionOptions(TKXSelectionOptions options) {
  fSelectionOptions = options;
  fSel.Animated = options.Contains(kxsoAnimated);
  fSel.Sizeable = options.Contains(kxsoSizeable);
}

void TKestrixView::RefuseWhileBusy() const {
  if (Busy()) throw EKXBusy();
}

void TKestrixView::PictureChanged() {
  Update();
  ImageChange();
  OnImageChange(this);
}

void TKestrixView::Clear() {
  RefuseWhileBusy();
  TCanvas& canvas = fBitmap.Canvas();
  canvas.Brush = TBrush{ColorToRGB(fBackground), bsSolid};
  canvas.FillRect(Rect(0, 0, fBitmap.Width(), fBitmap.Height()));
  Update();
}

void TKestrixView::Blank() {
  RefuseWhileBusy();
  fBitmap.SetSize(1, 1);
  Clear();
  ImageChange();
}

void TKestrixView::Assign(const TKestrixView* source) {
  RefuseWhileBusy();
  if (!source) {
    Clear();
    return;
  }
  if (source != this) {
    fBitmap.Assign(source->fBitmap);
    fBackground = source->fBackground;
    SetDPI(source->DpiX(), source->DpiY());
  }
  PictureChanged();
}

void TKestrixView::Assign(const TBitmap* source) {
  RefuseWhileBusy();
  if (!source) {
    Clear();
    return;
  }
  if (source != &fBitmap) {
    if (source->PixelFormat() == pf24bit || source->PixelFormat() == pf1bit) {
      fBitmap.Assign(*source);
    } else {
      fBitmap.SetPixelFormat(pf24bit);
      fBitmap.SetSize(source->Width(), source->Height());
      fBitmap.Canvas().Draw(0, 0, *source);
    }
  }
  PictureChanged();
}

void TKestrixView::SaveCursor(TCursor cursor) {
  fSavedCursors.push_back(ShownCursor());
  ShowCursor(cursor);
}

void TKestrixView::RestoreCursor() {
  if (fSavedCursors.empty()) {
    ShowCursor(Cursor());
    return;
  }
  ShowCursor(fSavedCursors.back());
  fSavedCursors.pop_back();
}

}  // namespace kx
