// The screen's logical resolution, read once when a display host starts; 96 where no screen
// answers (headless runs, the command-line tool).
#pragma once

#include <cstdint>

namespace kx {

extern int32_t gSystemDPIX;
extern int32_t gSystemDPIY;

}  // namespace kx
