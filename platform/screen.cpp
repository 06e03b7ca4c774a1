// Defaults of the screen resolution globals; a display host overwrites them at start.
#include "platform/screen.h"

namespace kx {

int32_t gSystemDPIX = 96;
int32_t gSystemDPIY = 96;

}  // namespace kx
