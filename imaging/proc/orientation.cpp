// EXIF orientations as quarter turns and mirrors: each is one turn, one mirror, or a turn and
// a mirror, so no orientation costs more than two passes over the picture.
#include "imaging/proc/orientation.h"

#include "imaging/core/bitmap.h"
#include "imaging/proc/rotate.h"

namespace kx {

void KXOrientUpright(TBitmap& bitmap, int32_t orientation) {
  if (orientation < 2 || orientation > 8 || bitmap.Empty()) return;
  TBitmap spare;
  switch (orientation) {
    case 2:
      KXMirror(bitmap, false);
      break;
    case 3:
      KXMirror(bitmap, true);
      break;
    case 4:  // the half turn mirrored back: upside down only
      KXMirror(bitmap, true);
      KXMirror(bitmap, false);
      break;
    case 5:  // transpose: clockwise, then left and right swapped
      KXTurnInPlace(bitmap, false, spare);
      KXMirror(bitmap, false);
      break;
    case 6:
      KXTurnInPlace(bitmap, false, spare);
      break;
    case 7:  // transverse: counter-clockwise, then left and right swapped
      KXTurnInPlace(bitmap, true, spare);
      KXMirror(bitmap, false);
      break;
    case 8:
      KXTurnInPlace(bitmap, true, spare);
      break;
  }
}

}  // namespace kx
