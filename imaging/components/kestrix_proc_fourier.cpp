// The Fourier members of the processing component: a transform of the picture (or of a
// stretched copy), and the picture replaced by a transform's spectrum or inverse.
#include "imaging/components/kestrix_proc.h"
#include "imaging/core/limits.h"
#include "imaging/proc/resample.h"

namespace kx {

std::unique_ptr<TKXFtImage> TKestrixProc::FTCreateImage(TKXFtImageType type, int32_t width, int32_t height) {
  fLastRefusal.clear();
  if (!fBitmap || fBitmap->Empty() || fBitmap->BitCount() != 24) return nullptr;
  TBitmap stretched;
  const TBitmap* source = fBitmap;
  if (width >= 0 || height >= 0) {
    int64_t w = width, h = height;
    if (w < 0)
      w = h * fBitmap->Width() / fBitmap->Height();
    else if (h < 0)
      h = w * fBitmap->Height() / fBitmap->Width();
    if (!KXPixelsAllowed(w, h)) {
      Refuse(KXPixelsRefusal(w, h));
      return nullptr;
    }
    stretched = TBitmap(int32_t(w), int32_t(h), fBitmap->PixelFormat());
    _KXBmpStretch(*fBitmap, stretched);
    source = &stretched;
  }
  auto ft = std::make_unique<TKXFtImage>();
  ft->OnProgress = OnProgress;
  if (!ft->BuildFT(*source, type)) {
    Refuse(ft->LastRefusal());
    return nullptr;
  }
  return ft;
}

void TKestrixProc::FTConvertFrom(const TKXFtImage& ft) {
  if (!fBitmap || ft.Empty()) return;
  if (fAutoUndo) SaveUndo();
  ft.BuildBitmap(*fBitmap);
  Update();
}

void TKestrixProc::FTDisplayFrom(const TKXFtImage& ft) {
  if (!fBitmap || ft.Empty()) return;
  if (fAutoUndo) SaveUndo();
  ft.GetFTImage(*fBitmap);
  Update();
}

}  // namespace kx
