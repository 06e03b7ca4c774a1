// The effect members of the processing component. Merge and the morphology go through the
// common selection frame. Bump mapping, the lens and the waves take their coordinates (or, for
// the waves, their centre) from the bitmap they run on, so a polygon selection gives them a copy
// of its box as their picture, whose pixels inside the polygon are then put back.
#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/effects.h"
#include "imaging/proc/morphology.h"
#include "imaging/proc/polygon_mask.h"

namespace kx {
namespace {

// How BumpMapping, Lens and Wave meet the selection: any polygon runs `routine` on a copy of
// its box and puts back what lies inside the polygon; without one `routine` runs on the
// picture, over the selection rectangle for `keepsToRectangle`, else over all of it.
template <typename Routine>
void RunOnBoxCopy(TKestrixProc& proc, bool keepsToRectangle, Routine routine) {
  TBitmap* bitmap = proc.WorkingBitmap();
  if (!bitmap || bitmap->Empty() || bitmap->BitCount() != 24) return;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  proc.GetReSel(x1, y1, x2, y2, polygon, count);
  if (x1 > x2 || y1 > y2) return;
  if (count < 1) {
    if (proc.AutoUndo()) proc.SaveUndo();
    if (keepsToRectangle)
      routine(*bitmap, x1, y1, x2, y2);
    else
      routine(*bitmap, 0, 0, bitmap->Width() - 1, bitmap->Height() - 1);
    proc.Update();
    return;
  }
  const TKXSpanMask mask(polygon, count, Rect(x1, y1, x2 + 1, y2 + 1));
  if (mask.Empty()) return;
  if (proc.AutoUndo()) proc.SaveUndo();
  TBitmap box;
  _CopyBitmapRect(*bitmap, box, x1, y1, x2, y2);
  routine(box, 0, 0, box.Width() - 1, box.Height() - 1);
  KXCopyThroughMask(box, -x1, -y1, *bitmap, mask);
  proc.Update();
}

}  // namespace

void TKestrixProc::Merge(const TBitmap& other, int32_t percentage) {
  fLastRefusal.clear();
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  if (other.Empty()) return Refuse("the picture to merge with is empty");
  RunOnSelection([&](TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _Merge(bitmap, other, percentage, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::BumpMapping(int32_t lightX, int32_t lightY, int32_t lightWidth, int32_t lightHeight,
                               int32_t percentage, TRGB color) {
  RunOnBoxCopy(*this, true, [&](TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _BumpMapping(bitmap, lightX, lightY, lightWidth, lightHeight, percentage, color, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::Lens(int32_t x, int32_t y, int32_t width, int32_t height, double refraction) {
  RunOnBoxCopy(*this, false, [&](TBitmap& bitmap, int32_t, int32_t, int32_t, int32_t) {
    _lens(bitmap, x, y, width, height, refraction, ProgressRec());
  });
}

void TKestrixProc::Wave(int32_t amplitude, int32_t wavelength, int32_t phase, bool reflective) {
  RunOnBoxCopy(*this, false, [&](TBitmap& bitmap, int32_t, int32_t, int32_t, int32_t) {
    _wave(bitmap, amplitude, wavelength, phase, reflective, ProgressRec());
  });
}

namespace {
void Morph(TKestrixProc& proc, int32_t radius, TKXMorphKind kind) {
  proc.RunOnSelection([&](TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _MorphFilter(bitmap, radius, kind, x1, y1, x2, y2, proc.ProgressRec());
  });
}
}  // namespace

void TKestrixProc::Maximum(int32_t radius) { Morph(*this, radius, mkMaximum); }
void TKestrixProc::Minimum(int32_t radius) { Morph(*this, radius, mkMinimum); }
void TKestrixProc::Opening(int32_t radius) { Morph(*this, radius, mkOpening); }
void TKestrixProc::Closing(int32_t radius) { Morph(*this, radius, mkClosing); }

}  // namespace kx
