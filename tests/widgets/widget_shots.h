// Pictures of the widgets as text, one character per pixel, so a drawing can be checked
// pixel by pixel against a map a reader can follow.
#pragma once

#include <map>
#include <string>

#include "imaging/core/bitmap.h"
#include "imaging/core/types.h"

namespace kxtest {

// Row by row, each row ending in a newline; colours missing from `legend` are '?'.
inline std::string TextShot(const kx::TBitmap& shot, const std::map<kx::TColor, char>& legend) {
  std::string text;
  for (int32_t y = 0; y < shot.Height(); ++y) {
    const auto* row = reinterpret_cast<const kx::TRGB*>(shot.ScanLine(y));
    for (int32_t x = 0; x < shot.Width(); ++x) {
      const auto it = legend.find(kx::TRGB2TColor(row[x]));
      text += it == legend.end() ? '?' : it->second;
    }
    text += '\n';
  }
  return text;
}

}  // namespace kxtest
