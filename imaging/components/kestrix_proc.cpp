// The processing component's frame: attachment, undo, effective selection, background and
// refresh.
#include "imaging/components/kestrix_proc.h"

#include <algorithm>
#include <array>

#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/polygon_mask.h"

namespace kx {

TKestrixProc::TKestrixProc() : fViewLink(*this, TKXViewNotify::Bind<&TKestrixProc::OnBitmapChange>(this)) {
  fUndo.SetSize(1, 1);
}

TKestrixProc::~TKestrixProc() {
  // A target may remove others while it is told: each is looked up again in the list as it is.
  while (!fFreeNotifies.empty()) {
    TProcFreeNotifyTarget* target = fFreeNotifies.front();
    fFreeNotifies.erase(fFreeNotifies.begin());
    target->ProcFreed(*this);
  }
  Detach();
}

void TKestrixProc::FreeNotification(TProcFreeNotifyTarget* target) {
  if (target && std::find(fFreeNotifies.begin(), fFreeNotifies.end(), target) == fFreeNotifies.end())
    fFreeNotifies.push_back(target);
}

void TKestrixProc::RemoveFreeNotification(TProcFreeNotifyTarget* target) { std::erase(fFreeNotifies, target); }

void TKestrixProc::Detach() {
  fViewLink.Unlink();
  fBitmap = nullptr;
  TBitmap().Swap(fSpare);
}

void TKestrixProc::SetAttachedKestrix(TKXView* view) {
  if (view == fViewLink.View()) return;
  Detach();
  if (!view) return;
  fViewLink.Link(view);
  fBitmap = view->GetFBitmap();
}

void TKestrixProc::SetAttachedBitmap(TBitmap* bitmap) {
  Detach();
  fBitmap = bitmap;
}

void TKestrixProc::OnBitmapChange(TKXView* view) {
  if (view == fViewLink.View()) fBitmap = view->GetFBitmap();
}

void TKestrixProc::ControlFreed(TCustomControl& control) {
  if (fViewLink.Forget(control)) fBitmap = nullptr;
}

TColor TKestrixProc::GetReBackground() const {
  const TKXView* view = fViewLink.View();
  return view ? view->Background() : fBackground;
}

void TKestrixProc::SetReBackground(TColor color) {
  if (TKXView* view = fViewLink.View())
    view->SetBackGround(color);
  else
    fBackground = color;
}

void TKestrixProc::SaveUndo() {
  if (!fBitmap) return;
  ClearUndo();
  if (fBitmap->Empty()) return;
  KXCopyBitmap(*fBitmap, fUndo);
  fHasUndo = true;
}

void TKestrixProc::Undo() {
  if (!fBitmap || !fHasUndo) return;
  KXCopyBitmap(fUndo, *fBitmap);
  Update();
}

void TKestrixProc::ClearUndo() {
  fUndo.SetSize(1, 1);
  fHasUndo = false;
}

void TKestrixProc::Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op) {
  fSelX1 = x1, fSelY1 = y1, fSelX2 = x2, fSelY2 = y2;
  if (TKestrixView* view = View()) {
    const TKXSelectionBase base = view->SelectionBase();
    view->SetSelectionBase(kxsbBitmap);
    view->Select(x1, y1, x2, y2, op);
    view->SetSelectionBase(base);
  }
}

void TKestrixProc::SelectAll() {
  fSelX1 = fSelY1 = fSelX2 = fSelY2 = -1;
  if (TKestrixView* view = View()) view->DeSelect();
}

bool TKestrixProc::GetReSel(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const TPoint*& polygon,
                            int32_t& count) const {
  polygon = nullptr;
  count = 0;
  x1 = fSelX1, y1 = fSelY1, x2 = fSelX2, y2 = fSelY2;
  if (const TKestrixView* view = View()) {
    x1 = -1;
    if (view->PolySelCount() > 0) {
      x1 = view->SelX1(), y1 = view->SelY1(), x2 = view->SelX2(), y2 = view->SelY2();
      polygon = view->PolySelArray();
      count = view->PolySelCount();
    }
  }
  const int32_t w = fBitmap ? fBitmap->Width() : 0, h = fBitmap ? fBitmap->Height() : 0;
  if (x1 < 0) {
    x1 = y1 = 0, x2 = w - 1, y2 = h - 1;
    return false;
  }
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  x1 = std::max(x1, 0), y1 = std::max(y1, 0), x2 = std::min(x2, w - 1), y2 = std::min(y2, h - 1);
  return true;
}

namespace {
// The ordered, clamped selection rectangle as x1, y1, x2, y2.
std::array<int32_t, 4> SelectionBox(const TKestrixProc& proc) {
  std::array<int32_t, 4> box{};
  int32_t count;
  const TPoint* polygon;
  proc.GetReSel(box[0], box[1], box[2], box[3], polygon, count);
  return box;
}
}  // namespace

int32_t TKestrixProc::GetSelX1() const { return SelectionBox(*this)[0]; }
int32_t TKestrixProc::GetSelY1() const { return SelectionBox(*this)[1]; }
int32_t TKestrixProc::GetSelX2() const { return SelectionBox(*this)[2]; }
int32_t TKestrixProc::GetSelY2() const { return SelectionBox(*this)[3]; }

void TKestrixProc::Update() {
  if (TKestrixView* view = View()) view->Update();
  if (TKXView* linked = fViewLink.View()) linked->ImageChange();
}

TProgressRec TKestrixProc::ProgressRec() const {
  TProgressRec rec;
  rec.fOnProgress = OnProgress;
  rec.Sender = const_cast<TKestrixProc*>(this);
  return rec;
}

void TKestrixProc::RunOnSelection(const TRectRoutine& routine, bool oneBitToo) {
  if (!fBitmap || fBitmap->Empty()) return;
  const int bits = fBitmap->BitCount();
  if (bits != 24 && !(oneBitToo && bits == 1)) return;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  GetReSel(x1, y1, x2, y2, polygon, count);
  if (x1 > x2 || y1 > y2) return;
  if (count < 1 || _IsRectangle(polygon, count)) {
    if (fAutoUndo) SaveUndo();
    routine(*fBitmap, x1, y1, x2, y2);
    Update();
    return;
  }
  const TKXSpanMask mask(polygon, count, Rect(x1, y1, x2 + 1, y2 + 1));
  if (mask.Empty()) return;
  if (fAutoUndo) SaveUndo();
  // The routine runs on the picture itself rather than on a copy of the box, so that a
  // neighbourhood routine reads the real neighbours of the box's edge pixels, not repeated
  // copies of them; the box is kept beforehand to put back what lies outside the polygon.
  // A 1-bit copy starts on a byte, so that its bytes line up with the picture's.
  const int32_t origin = bits == 1 ? x1 & ~7 : x1;
  TBitmap kept;
  _CopyBitmapRect(*fBitmap, kept, origin, y1, x2, y2);
  routine(*fBitmap, x1, y1, x2, y2);
  KXCopyOutsideMask(kept, -origin, -y1, *fBitmap, mask);
  Update();
}

}  // namespace kx
