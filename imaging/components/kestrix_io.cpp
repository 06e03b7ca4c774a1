// The I/O component's attachment to a view, a picture holder or a bitmap, its properties and
// the operations that need no codec. Every attachment asks for a destruction notice and gives
// it back when it ends, so whichever of component and control goes first, the other is left
// with no dangling reference.
#include "imaging/components/kestrix_io.h"

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"
#include "imaging/scan/twain_acquire.h"
#include "imaging/view/image_holder.h"
#include "imaging/view/view.h"

namespace kx {

namespace {

// The window a scan's dialogs belong to: the attached view, or none.
uintptr_t AcquireWindow(TCustomControl* view) { return reinterpret_cast<uintptr_t>(view); }

}  // namespace

TKestrixIO::TKestrixIO()
    : fViewLink(*this, TKXViewNotify::Bind<&TKestrixIO::ViewBitmapChanged>(this)), fIOParams(this) {}

TKestrixIO::~TKestrixIO() {
  StopFollowingView();
  ForgetImage();
}

void TKestrixIO::StopFollowingView() {
  TKXView* view = fViewLink.View();
  if (!view) return;
  if (fBitmap == view->GetFBitmap()) fBitmap = nullptr;
  fViewLink.Unlink();
}

void TKestrixIO::ForgetImage() {
  if (!fImage) return;
  fImage->RemoveFreeNotification(this);
  if (fBitmap == &fImage->Bitmap()) fBitmap = nullptr;
  fImage = nullptr;
}

void TKestrixIO::SetAttachedKestrix(TKXView* view) {
  if (view == fViewLink.View()) return;
  StopFollowingView();
  if (!view) return;
  ForgetImage();
  fViewLink.Link(view);
  fBitmap = view->GetFBitmap();
}

void TKestrixIO::SetAttachedTImage(TImage* image) {
  if (image == fImage) return;
  StopFollowingView();
  ForgetImage();
  if (!image) return;
  fImage = image;
  fBitmap = &image->Bitmap();
  image->FreeNotification(this);
}

void TKestrixIO::SetAttachedBitmap(TBitmap* bitmap) {
  if (!bitmap && (fViewLink.View() || fImage)) return;
  StopFollowingView();
  ForgetImage();
  fBitmap = bitmap;
}

void TKestrixIO::ControlFreed(TCustomControl& control) {
  // The control's own parts are gone already: only forget it.
  if (fViewLink.Forget(control)) {
    fBitmap = nullptr;
  } else if (&control == fImage) {
    fImage = nullptr;
    fBitmap = nullptr;
  }
}

void TKestrixIO::ViewBitmapChanged(TKXView* view) {
  if (view == fViewLink.View()) fBitmap = view->GetFBitmap();
}

bool TKestrixIO::ParamsViewDpi(int32_t& dpiX, int32_t& dpiY) const {
  const TKXView* view = fViewLink.View();
  if (!view) return false;
  dpiX = view->DpiX();
  dpiY = view->DpiY();
  return true;
}

TColor TKestrixIO::Background() const {
  const TKXView* view = fViewLink.View();
  return view ? view->Background() : fBackground;
}

void TKestrixIO::SetBackground(TColor color) {
  if (TKXView* view = fViewLink.View())
    view->SetBackGround(color);
  else
    fBackground = color;
}

TProgressRec TKestrixIO::NewProgress() {
  TProgressRec progress;
  progress.fOnProgress = OnProgress;
  progress.Sender = this;
  progress.Aborting = &fAborting;
  fDiagnostics.Clear();
  progress.Diagnostics = &fDiagnostics;
  return progress;
}

void TKestrixIO::AssignParams(const TKestrixIO* source) {
  if (source) fIOParams.Assign(source->fIOParams);
}

void TKestrixIO::AssignParams(const TIOParamsVals* source) {
  if (source) fIOParams.Assign(*source);
}

void TKestrixIO::Clear() {
  if (!fBitmap) return;
  TCanvas& canvas = fBitmap->Canvas();
  canvas.Brush.Color = Background();
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(TRect{0, 0, fBitmap->Width(), fBitmap->Height()});
}

void TKestrixIO::Update() {
  if (TKXView* linked = fViewLink.View()) {
    if (auto* view = dynamic_cast<TKestrixView*>(linked)) {
      view->PictureChanged();
    } else {
      linked->ImageChange();
      linked->Invalidate();
    }
  } else if (fImage) {
    fImage->Invalidate();
  }
}

void TKestrixIO::ImportMetafile(const std::string&, int32_t, int32_t) { fAborting = true; }

bool TKestrixIO::Acquire() {
  fAborting = false;
  if (!fBitmap) return false;
  TProgressRec progress = NewProgress();
  const bool acquired =
      KXTW_Acquire(AcquireWindow(fViewLink.View()), fBitmap, false, {}, &fTWainParams, &fIOParams, progress);
  if (acquired) {
    if (TKXView* view = fViewLink.View()) view->SetDPI(fIOParams.DpiX, fIOParams.DpiY);
  }
  Update();
  return acquired;
}

bool TKestrixIO::SelectAcquireSource() {
  std::string name;
  const bool confirmed = KXTW_SelectImageSource(AcquireWindow(fViewLink.View()), name);
  // A cancelled dialog leaves the chosen source as it was.
  if (confirmed) fTWainParams.SelectSourceByName(name);
  return confirmed;
}

bool TKestrixIO::DoPreviews(TPreviewParams pages) {
  if (!fBitmap || !fPreviewsDialog) return false;
  MakeSaveable();
  bool accepted = false;
  try {
    accepted = fPreviewsDialog->Execute(*this, pages);
  } catch (...) {
    Update();
    throw;
  }
  Update();
  return accepted;
}

}  // namespace kx
