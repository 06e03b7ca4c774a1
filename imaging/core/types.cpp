// Resolution of system colours and conversion between colour values and pixels.
#include "imaging/core/types.h"

#include "platform/system_colors.h"

namespace kx {

TColor ColorToRGB(TColor color) {
  if ((uint32_t(color) & 0xFF000000u) == 0x80000000u) return KXGetSysColor(int(color & 0xFF));
  return color;
}

TRGB TColor2TRGB(TColor color) {
  TColor c = ColorToRGB(color);
  return TRGB{uint8_t((c >> 16) & 0xFF), uint8_t((c >> 8) & 0xFF), uint8_t(c & 0xFF)};
}

}  // namespace kx
