// Turning a picture upright by the EXIF orientation its file recorded.
#pragma once

#include <cstdint>

namespace kx {

class TBitmap;

// Turns and mirrors a 24- or 1-bit `bitmap` in place so that a picture stored with EXIF
// `orientation` (1..8) stands upright: 2 mirrors it, 3 turns it half round, 4 flips it, 5
// transposes it, 6 turns it a quarter clockwise, 7 transverses it, 8 turns it a quarter
// counter-clockwise. 0, 1 and unknown values leave it as it is.
void KXOrientUpright(TBitmap& bitmap, int32_t orientation);

}  // namespace kx
