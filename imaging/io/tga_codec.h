// Targa pictures: colour-mapped, true-colour and gray files, raw or run-length coded, at 1, 4,
// 8, 16, 24 and 32 bits on reading and 1, 4, 8 or 24 bits on writing, with the extension area
// and footer that carry author, date, job name, key colour, aspect ratio and gamma.
#pragma once

#include <cstdint>

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads one Targa picture at the stream's position into `bitmap` (1-bit for 1-bit files, 24-bit
// otherwise) and fills `params`; with `preview` only the parameters. `blockSize` is the bytes
// the picture and its footer take from the position, or 0 or less for the rest of the stream;
// the footer is looked for at the end of that block and taken only when it and its extension
// area lie inside it. A header of no known type or depth, a size that is no picture or above
// the pixel limit, and data that ends early set the abort flag; rows never reached stay black.
void ReadTGAStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress,
                   int64_t blockSize = 0);
// Writes a 24-bit or 1-bit bitmap at the stream's position, top row first: 24-bit true colour
// when SamplesPerPixel is not 1, else by BitsPerSample 1-bit gray, 16 or 256 colours through a
// colour map (8-bit indices), or 8-bit gray (TGA_GrayLevel, or any other BitsPerSample); 8- and
// 24-bit output is run-length coded with TGA_Compressed. The extension area and footer follow.
// 1-bit and 16-colour output clears TGA_Compressed; colour-mapped and gray output from a 24-bit
// bitmap sets ColorMap to the palette used. Other bitmaps write nothing; sides above 65535 set
// the abort flag and write nothing.
void WriteTGAStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// True when the 18 bytes at the position are a Targa header of a known type and depth, and not
// the start of a portable anymap; the position is restored.
bool TryTGA(TStream& stream);

}  // namespace kx
