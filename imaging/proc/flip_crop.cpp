// Mirroring and cropping to the selection.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/core/bitmap_copy.h"
#include "imaging/core/polygon_mask.h"
#include "imaging/proc/proc.h"

namespace kx {

namespace {

void MirrorRow24(uint8_t* row, int32_t width) {
  uint8_t* a = row;
  uint8_t* b = row + size_t(width - 1) * 3;
  for (; a < b; a += 3, b -= 3) std::swap(a[0], b[0]), std::swap(a[1], b[1]), std::swap(a[2], b[2]);
}

void MirrorRow1(uint8_t* row, int32_t width, std::vector<uint8_t>& copy) {
  copy.assign(row, row + copy.size());
  std::memset(row, 0, copy.size());
  for (int32_t x = 0; x < width; ++x) {
    const int32_t sx = width - 1 - x;
    if ((copy[size_t(sx >> 3)] >> (7 - (sx & 7))) & 1) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
  }
}

}  // namespace

// In place: the result equals a mirrored copy, without a second picture-sized block.
void TKestrixProc::Flip(TFlipDir direction) {
  if (!fBitmap || fBitmap->Empty()) return;
  const int bits = fBitmap->BitCount();
  if (bits != 24 && bits != 1) return;
  if (fAutoUndo) SaveUndo();
  const int32_t w = fBitmap->Width(), h = fBitmap->Height();
  const size_t rowBytes = bits == 24 ? size_t(w) * 3 : (size_t(w) + 7) / 8;
  std::vector<uint8_t> scratch(rowBytes);
  if (direction == fdVertical) {
    for (int32_t y = 0; y < h / 2; ++y) {
      uint8_t* a = fBitmap->ScanLine(y);
      uint8_t* b = fBitmap->ScanLine(h - 1 - y);
      std::memcpy(scratch.data(), a, rowBytes);
      std::memcpy(a, b, rowBytes);
      std::memcpy(b, scratch.data(), rowBytes);
    }
  } else {
    for (int32_t y = 0; y < h; ++y) {
      if (bits == 24)
        MirrorRow24(fBitmap->ScanLine(y), w);
      else
        MirrorRow1(fBitmap->ScanLine(y), w, scratch);
    }
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
