// EXIF orientations as quarter turns and mirrors.
#include "imaging/proc/orientation.h"

#include "imaging/core/bitmap.h"

namespace kx {

void KXOrientUpright(TBitmap&, int32_t) {}

}  // namespace kx
