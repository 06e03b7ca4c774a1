// 3 x 3 convolution of 24-bit pictures: the built-in presets, the filter routine behind
// TKestrixProc::ApplyFilter, and the 43-byte little-endian filter file (0x01 0x03 0x03, nine
// int32 values row by row, the int32 divisor). The kernel record is in proc_types.h.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/proc/proc_types.h"

namespace kx {

class TStream;

// One kernel per preset, indexed by TKXFilterPresets.
extern const TGraphFilter KXFiltPres[kKXFilterPresetCount];

// Filters the inclusive rectangle x1..x2, y1..y2 of a 24-bit bitmap (others are left alone).
// Neighbours are read from the unchanged picture, repeating its edge pixels outside it; each
// channel becomes clamp(weighted sum div divisor, 0, 255), with 64-bit sums and division
// truncating toward zero. Reports each finished row through `progress`.
void _ApplyFilter(TBitmap& bitmap, const TGraphFilter& filter, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  const TProgressRec& progress);

// Reads a filter record from the stream's position. Only a complete record with the right
// signature is stored into `filter`; the result says whether one was.
bool ReadFilterFromStream(TStream& stream, TGraphFilter& filter);
// The same from a file; a file that cannot be opened throws EFOpenError.
bool LoadFilterFromFile(const std::string& fileName, TGraphFilter& filter);
// Writes the 43-byte file under a temporary name next to it and renames it over `fileName`
// once complete, so a failed save keeps the old file. Throws EFCreateError or EWriteError.
void SaveFilterToFile(const std::string& fileName, const TGraphFilter& filter);

}  // namespace kx
