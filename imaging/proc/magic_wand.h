// The magic wand: the region of similar colour around a clicked pixel, returned as the polygon
// of its outer border.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/canvas.h"

namespace kx {

class TBitmap;

// Largest outline grid, in cells, traced at full detail: the grid has (4h + 4) x (4w + 4) cells
// for a w x h region box, one bit each, so this limit is 128 MiB and covers a box of about 67
// megapixels. A larger region is traced on a coarser grid in which each cell stands for k x k
// pixels (the smallest k that fits); its polygon encloses the region with up to k - 1 pixels to
// spare. A limit too small for even a one-pixel region gives no points.
constexpr int64_t kMagicWandGridLimit = int64_t(1) << 30;

// The region 4-connected to (x, y) through pixels whose channels each differ from the clicked
// pixel's by at most `tolerance`; with `maximumFilter` every region pixel first grows to its
// 3 x 3 block, limited to the region's bounding box. Returns the polygon of the region's outer
// border (holes are not cut out), or nothing when the bitmap is not 24-bit or (x, y) is outside.
// A pocket of other pixels that meets the outside only at a pixel corner may be enclosed.
//
// Coordinates: the vertices are pixel corners. Pixel (px, py) is the unit square from corner
// (px, py) to corner (px + 1, py + 1), so a region covering the pixels 10..19 has its edges at
// x = 10 and x = 20. Every vertex lies in 0..Width x 0..Height: whoever clips the polygon to the
// picture clamps to that closed range, not to 0..Width - 1, or a region touching the right or
// bottom edge loses its last column or row.
std::vector<TPoint> _MakeMagicWandPoints(const TBitmap& bitmap, int32_t x, int32_t y, bool maximumFilter,
                                         int32_t tolerance, int64_t gridLimit = kMagicWandGridLimit);

}  // namespace kx
