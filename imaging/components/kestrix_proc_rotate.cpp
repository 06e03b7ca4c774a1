// Rotation by any angle: quarter turns composed exactly, the rest by three shears (24-bit) or
// inverse mapping (1-bit).
#include <algorithm>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/limits.h"
#include "imaging/proc/rotate.h"

namespace kx {

void TKestrixProc::Rotate(int32_t angle, bool antialias) {
  fLastRefusal.clear();
  if (!fBitmap || fBitmap->Empty()) return;
  TProgressRec progress = ProgressRec();
  if (fBitmap->BitCount() == 1) {
    if (fAutoUndo) SaveUndo();
    _rotate1bit(*fBitmap, (ColorToRGB(GetReBackground()) & 0xFFFFFF) != 0, progress, angle);
    Update();
    return;
  }
  if (fBitmap->BitCount() != 24) return Refuse(kNeeds24Or1Bit);
  int32_t a = angle % 360;
  int32_t rest = a;  // the angle the quarter turns leave
  while (rest > 45) rest -= 90;
  while (rest < -45) rest += 90;
  const bool swapped = ((a - rest) / 90) % 2 != 0;
  if (rest != 0 && !KXShearRotateAllowed(swapped ? fBitmap->Height() : fBitmap->Width(),
                                         swapped ? fBitmap->Width() : fBitmap->Height(), rest))
    return Refuse("the turned picture would be above the pixel limit of " + std::to_string(KXPixelLimit()));
  if (fAutoUndo) SaveUndo();
  // The quarter turns compose exactly, so 180 degrees is one half turn and 270 one clockwise
  // quarter turn.
  const int32_t turns = (((a - rest) / 90) % 4 + 4) % 4;
  if (turns == 2)
    KXMirror(*fBitmap, true);
  else if (turns != 0)
    KXTurnInPlace(*fBitmap, turns == 1, fSpare);
  // The shear reads its source completely before it resizes the result.
  if (rest != 0) KXShearRotate(*fBitmap, *fBitmap, rest, antialias, TColor2TRGB(GetReBackground()), progress);
  Update();
}

}  // namespace kx
