// The classic desktop scheme, used until a display host supplies its own colours.
#include "platform/system_colors.h"

#include <array>
#include <cstddef>

namespace kx {
namespace {

constexpr int32_t Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

std::array<int32_t, kSystemColorCount> gColors = {
    Rgb(212, 208, 200),  // 0 scroll bar
    Rgb(58, 110, 165),   // 1 desktop
    Rgb(10, 36, 106),    // 2 active caption
    Rgb(128, 128, 128),  // 3 inactive caption
    Rgb(212, 208, 200),  // 4 menu
    Rgb(255, 255, 255),  // 5 window
    Rgb(0, 0, 0),        // 6 window frame
    Rgb(0, 0, 0),        // 7 menu text
    Rgb(0, 0, 0),        // 8 window text
    Rgb(255, 255, 255),  // 9 caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 gray text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(64, 64, 64),     // 21 3D dark shadow
    Rgb(212, 208, 200),  // 22 3D light
    Rgb(0, 0, 0),        // 23 info text
    Rgb(255, 255, 225),  // 24 info background
    Rgb(181, 181, 181),  // 25 (unused)
    Rgb(0, 0, 128),      // 26 hot light
    Rgb(166, 202, 240),  // 27 gradient active caption
    Rgb(192, 192, 192),  // 28 gradient inactive caption
    Rgb(49, 106, 197),   // 29 menu highlight
    Rgb(236, 233, 216),  // 30 menu bar
};

}  // namespace

int32_t KXGetSysColor(int index) { return index >= 0 && index < kSystemColorCount ? gColors[size_t(index)] : 0; }

void KXSetSysColor(int index, int32_t rgb) {
  if (index >= 0 && index < kSystemColorCount) gColors[size_t(index)] = rgb & 0xFFFFFF;
}

}  // namespace kx
