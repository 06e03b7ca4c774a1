// Resizing operations of the processing component: Resample (filtered or plain) and
// ImageResize (the canvas). Sizes are settled and checked against the pixel limit before the
// undo copy is taken, so a refused call changes nothing at all.
#include <algorithm>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/limits.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/resample.h"

namespace kx {

void TKestrixProc::Resample(int32_t width, int32_t height, TResampleFilter filter) {
  fLastRefusal.clear();
  if (!fBitmap || fBitmap->Empty()) return;
  if (width < 0 && height < 0) return Refuse("needs a width or a height");
  if (fBitmap->BitCount() != 24 && fBitmap->BitCount() != 1) return Refuse(kNeeds24Or1Bit);
  int64_t w = width, h = height;
  if (w < 0)
    w = h * fBitmap->Width() / fBitmap->Height();
  else if (h < 0)
    h = w * fBitmap->Height() / fBitmap->Width();
  if (!KXPixelsAllowed(w, h)) return Refuse(KXPixelsRefusal(w, h));
  // The filtered path resizes the rows first, into a picture of the new width and the old height.
  const bool filtered = filter != rfNone && fBitmap->BitCount() == 24;
  if (filtered && !KXPixelsAllowed(w, fBitmap->Height()))
    return Refuse("its first pass: " + KXPixelsRefusal(w, fBitmap->Height()));
  if (fAutoUndo) SaveUndo();
  TBitmap result(int32_t(w), int32_t(h), fBitmap->PixelFormat());
  if (filtered) {
    _Resample(*fBitmap, result, filter, OnProgress, this);
  } else {
    _KXBmpStretch(*fBitmap, result);
  }
  KXCopyBitmap(result, *fBitmap);
  Update();
}

void TKestrixProc::ImageResize(int32_t width, int32_t height) {
  fLastRefusal.clear();
  if (!fBitmap) return;
  if (!KXPixelsAllowed(width, height)) return Refuse(KXPixelsRefusal(width, height));
  if (fAutoUndo) SaveUndo();
  const int32_t oldWidth = fBitmap->Width(), oldHeight = fBitmap->Height();
  fBitmap->SetSize(width, height);
  TCanvas& canvas = fBitmap->Canvas();
  canvas.Brush = TBrush{GetReBackground(), bsSolid};
  canvas.FillRect(Rect(oldWidth, 0, width, std::min(oldHeight, height)));
  canvas.FillRect(Rect(0, oldHeight, width, height));
  Update();
}

}  // namespace kx
