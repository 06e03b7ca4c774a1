// The desktop's system colours (button face, window, highlight, ...) by their index.
// Headless runs use a fixed classic scheme; a display host replaces entries from its palette.
#pragma once

#include <cstdint>

namespace kx {

constexpr int kSystemColorCount = 31;

// Colour value (red in the low byte) of system colour `index`; black for an unknown index.
int32_t KXGetSysColor(int index);
void KXSetSysColor(int index, int32_t rgb);

}  // namespace kx
