// Clipboard exchange and clearing: the component's side of the DIB conversions.
#include <optional>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/dib.h"
#include "imaging/proc/polygon_mask.h"

namespace kx {

namespace {

bool IsWorkable(const TBitmap* bitmap) {
  return bitmap && !bitmap->Empty() && (bitmap->BitCount() == 24 || bitmap->BitCount() == 1);
}

}  // namespace

bool TKestrixProc::PutSelection(TClipboard& clipboard) {
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  std::vector<uint8_t> dib;
  if (!GetReSel(x1, y1, x2, y2, polygon, count)) {
    dib = _CopyBitmaptoDIB(*fBitmap, 0, 0, 0, 0);
  } else if (x1 <= x2 && y1 <= y2) {
    if (count < 1 || _IsRectangle(polygon, count)) {
      // Through a copy of the rectangle: to the DIB builder an x2 or y2 of 0 means the last
      // column or row, which a selection of the first column or row must not become.
      TBitmap part;
      _CopyBitmapRect(*fBitmap, part, x1, y1, x2, y2);
      dib = _CopyBitmaptoDIB(part, 0, 0, 0, 0);
    } else {
      // The box of the pixels the polygon covers, black (a fresh picture's pixels) outside it.
      const TRect box = TKXSpanMask(polygon, count, Rect(x1, y1, x2 + 1, y2 + 1)).Bounds();
      if (box.IsEmpty()) return false;
      TBitmap part;
      _CopyBitmapPoly(*fBitmap, part, box.Left, box.Top, box.Right, box.Bottom, polygon, count, clBlack);
      dib = _CopyBitmaptoDIB(part, 0, 0, 0, 0);
    }
  }
  if (dib.empty()) return false;
  clipboard.Empty();
  clipboard.Put(kClipboardDIB, std::move(dib));
  return true;
}

void TKestrixProc::CopyToClipboard() {
  if (!IsWorkable(fBitmap)) return;
  TClipboard& clipboard = KXClipboard();
  const TClipboardSession session(clipboard);
  if (!session.IsOpen()) return;
  clipboard.Empty();
  clipboard.Put(kClipboardDIB, _CopyBitmaptoDIB(*fBitmap, 0, 0, 0, 0));
}

void TKestrixProc::SelCopyToClip() {
  if (!IsWorkable(fBitmap)) return;
  TClipboard& clipboard = KXClipboard();
  const TClipboardSession session(clipboard);
  if (session.IsOpen()) PutSelection(clipboard);
}

void TKestrixProc::FillSelection() {
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  GetReSel(x1, y1, x2, y2, polygon, count);
  const TColor color = ColorToRGB(GetReBackground());
  if (count < 1 || _IsRectangle(polygon, count)) {
    TCanvas& canvas = fBitmap->Canvas();
    canvas.Brush = TBrush{color, bsSolid};
    canvas.FillRect(Rect(x1, y1, x2 + 1, y2 + 1));
  } else {
    _ClearSel(*fBitmap, polygon, count, color);
  }
}

void TKestrixProc::SelCutToClip() {
  if (!IsWorkable(fBitmap)) return;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  if (!GetReSel(x1, y1, x2, y2, polygon, count) || x1 > x2 || y1 > y2) return;
  TClipboard& clipboard = KXClipboard();
  {
    const TClipboardSession session(clipboard);
    if (!session.IsOpen() || !PutSelection(clipboard)) return;
  }
  if (fAutoUndo) SaveUndo();
  FillSelection();
  Update();
}

void TKestrixProc::ClearSel() {
  if (!IsWorkable(fBitmap)) return;
  if (fAutoUndo) SaveUndo();
  FillSelection();
  Update();
}

void TKestrixProc::Clear() {
  if (!IsWorkable(fBitmap)) return;
  if (fAutoUndo) SaveUndo();
  TCanvas& canvas = fBitmap->Canvas();
  canvas.Brush = TBrush{ColorToRGB(GetReBackground()), bsSolid};
  canvas.FillRect(Rect(0, 0, fBitmap->Width(), fBitmap->Height()));
  Update();
}

bool TKestrixProc::TakeClipboardPicture(TBitmap& picture) {
  TClipboard& clipboard = KXClipboard();
  const TClipboardSession session(clipboard);
  if (!session.IsOpen() || !clipboard.Has(kClipboardDIB)) return false;
  const std::optional<std::vector<uint8_t>> dib = clipboard.Get(kClipboardDIB);
  return dib && _CopyDIB2Bitmap(*dib, picture) != 0;
}

void TKestrixProc::PasteFromClipboard() {
  if (!fBitmap) return;
  TBitmap picture;
  if (!TakeClipboardPicture(picture)) return;
  if (fAutoUndo) SaveUndo();
  fBitmap->Swap(picture);
  Update();
}

void TKestrixProc::PointPasteFromClip(int32_t x, int32_t y) {
  if (!IsWorkable(fBitmap)) return;
  TBitmap picture;
  if (!TakeClipboardPicture(picture)) return;
  if (fAutoUndo) SaveUndo();
  if (const TKestrixView* view = View()) {
    x = view->XScr2Bmp(x);
    y = view->YScr2Bmp(y);
  }
  fBitmap->Canvas().Draw(x, y, picture);
  Update();
}

void TKestrixProc::SelPasteFromClipStretch() {
  if (!IsWorkable(fBitmap)) return;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  if (!GetReSel(x1, y1, x2, y2, polygon, count)) return PasteFromClipboard();
  if (x1 > x2 || y1 > y2) return;
  TBitmap picture;
  if (!TakeClipboardPicture(picture)) return;
  if (fAutoUndo) SaveUndo();
  fBitmap->Canvas().StretchDraw(Rect(x1, y1, x2 + 1, y2 + 1), picture);
  Update();
}

}  // namespace kx
