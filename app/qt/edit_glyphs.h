// The glyphs of the four icon buttons of the edit group, drawn here.
#pragma once

#include <QIcon>

namespace quillop {

enum class TEditGlyph { RotateLeft, RotateRight, FlipHorizontal, FlipVertical };

// A 16 x 16 glyph.
QIcon EditGlyphIcon(TEditGlyph glyph);

}  // namespace quillop
