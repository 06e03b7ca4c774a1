// PNG reading and writing through libpng.
#pragma once

#include <cstdint>

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads one PNG image at the stream's position and fills `params`; with `preview` only the
// parameters. Gray images of one bit and palettes of black then white arrive as 1-bit rows,
// everything else as 24-bit colour with any alpha flattened over the file's background colour,
// or over params.PNG_Background when the file has none. Failure sets the abort flag and keeps
// the rows read so far; nothing is thrown for bad data.
void ReadPNGStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress);
// Writes a gray 1-bit file (BitsPerSample 1), a 256-colour palette file (SamplesPerPixel 1) or
// an RGB file. A failure of libpng, or a stream that writes short, throws
// EInvalidGraphicOperation("Error on creating PNG"); a stream that throws has its exception
// passed on. The stream keeps what was written.
void WritePNGStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals& params, TProgressRec& progress);
// True when the eight bytes at the position are the PNG signature; the position is restored.
bool IsPNGStream(TStream& stream);

// The largest ancillary chunk, and the most ancillary chunks, a read keeps in memory: far
// above what real files carry, yet a file cannot make libpng hold gigabytes of text or
// unknown chunks (compressed text counts by its inflated size).
constexpr size_t kPngChunkMallocMax = size_t(8) << 20;
constexpr uint32_t kPngChunkCacheMax = 1000;

}  // namespace kx
