// Screen resolution and system colours from Qt.
#include "platform/qt/desktop.h"

#include <QPalette>
#include <QScreen>
#include <cmath>

#include "platform/screen.h"
#include "platform/system_colors.h"

namespace kx {

namespace {

int32_t ToColor(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

}  // namespace

void KXQtApplyDesktop(const QScreen* screen, const QPalette& palette) {
  if (screen) {
    gSystemDPIX = int32_t(std::lround(screen->logicalDotsPerInchX()));
    gSystemDPIY = int32_t(std::lround(screen->logicalDotsPerInchY()));
  }
  // Desktop colour index -> palette role.
  static constexpr struct {
    int Index;
    QPalette::ColorRole Role;
  } kRoles[] = {
      {0, QPalette::Button},  {4, QPalette::Window},    {5, QPalette::Base},         {7, QPalette::WindowText},
      {8, QPalette::Text},    {12, QPalette::Dark},     {13, QPalette::Highlight},   {14, QPalette::HighlightedText},
      {15, QPalette::Button}, {16, QPalette::Dark},     {18, QPalette::ButtonText},  {20, QPalette::Light},
      {21, QPalette::Shadow}, {22, QPalette::Midlight}, {23, QPalette::ToolTipText}, {24, QPalette::ToolTipBase},
  };
  for (const auto& r : kRoles) KXSetSysColor(r.Index, ToColor(palette.color(QPalette::Active, r.Role)));
  KXSetSysColor(17, ToColor(palette.color(QPalette::Disabled, QPalette::Text)));
}

}  // namespace kx
