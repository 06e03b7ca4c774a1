// Mirroring and cropping to the selection.
#include <cstring>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/polygon_mask.h"
#include "imaging/proc/rotate.h"

namespace kx {

// In place: the result equals a mirrored copy, without a second picture-sized block.
void TKestrixProc::Flip(TFlipDir direction) {
  if (!fBitmap || fBitmap->Empty()) return;
  const int bits = fBitmap->BitCount();
  if (bits != 24 && bits != 1) return;
  if (fAutoUndo) SaveUndo();
  if (direction == fdVertical) {
    const int32_t w = fBitmap->Width(), h = fBitmap->Height();
    const size_t rowBytes = KXRowPixelBytes(w, bits);
    std::vector<uint8_t> scratch(rowBytes);
    for (int32_t y = 0; y < h / 2; ++y) {
      uint8_t* a = fBitmap->ScanLine(y);
      uint8_t* b = fBitmap->ScanLine(h - 1 - y);
      std::memcpy(scratch.data(), a, rowBytes);
      std::memcpy(a, b, rowBytes);
      std::memcpy(b, scratch.data(), rowBytes);
    }
  } else {
    KXMirror(*fBitmap, false);
  }
  Update();
}

void TKestrixProc::CropSel() {
  if (!fBitmap || fBitmap->Empty() || (fBitmap->BitCount() != 24 && fBitmap->BitCount() != 1)) return;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  if (!GetReSel(x1, y1, x2, y2, polygon, count) || x1 > x2 || y1 > y2) return;
  // A rectangle selection covers its corner pixels inclusively; a polygon covers the pixels
  // whose centres lie inside it. The crop is exactly those pixels' box.
  const bool rectangle = count < 1 || _IsRectangle(polygon, count);
  if (!rectangle) {
    const TRect bounds = TKXSpanMask(polygon, count, Rect(x1, y1, x2 + 1, y2 + 1)).Bounds();
    if (bounds.IsEmpty()) return;
    x1 = bounds.Left, y1 = bounds.Top, x2 = bounds.Right - 1, y2 = bounds.Bottom - 1;
  }
  if (fAutoUndo) SaveUndo();
  TBitmap result;
  if (rectangle)
    _CopyBitmapRect(*fBitmap, result, x1, y1, x2, y2);
  else
    _CopyBitmapPoly(*fBitmap, result, x1, y1, x2 + 1, y2 + 1, polygon, count, GetReBackground());
  KXCopyBitmap(result, *fBitmap);
  Update();
}

}  // namespace kx
