// Takes the desktop's facts from Qt: the screen resolution globals and the system colours.
#pragma once

class QScreen;
class QPalette;

namespace kx {

// Sets gSystemDPIX/gSystemDPIY from the screen's logical resolution (when there is a screen)
// and the system colours from the palette. Call once the application object exists.
void KXQtApplyDesktop(const QScreen* screen, const QPalette& palette);

}  // namespace kx
