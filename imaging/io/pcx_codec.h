// PaintBrush pictures: reading 1 bit x 1 plane, 1 bit x 4 planes, 4 bits x 1 plane, 8 bits with
// the trailing 256-colour palette and 8 bits x 3 planes, raw or run-length coded; writing 1, 4,
// 8 or 24 bits.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/progress.h"

namespace kx {

class TStream;
class TBitmap;
class TIOParamsVals;

// Reads one PCX whose bytes start at the stream's position and take `blockSize` bytes (never
// more than the stream holds) into `bitmap`: 1-bit for monochrome files, 24-bit otherwise. With
// `preview` only the parameters are read. A damaged header, a size that is no picture or above
// the pixel limit, lines shorter than the picture and a combination of bits and planes this
// reader does not decode set the abort flag; data that ends early leaves the rows it never
// reached black.
void ReadPcxStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress,
                   int64_t blockSize);
// ReadPcxStream of a whole file.
void ReadPcx(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// Writes a 24-bit or 1-bit bitmap at the stream's position at the depth BitsPerSample and
// SamplesPerPixel ask for (1, 4, 8 or 24 bits; any other asks for 24), run-length coded when
// PCX_Compression says so. A picture whose sides the header cannot hold sets the abort flag and
// writes nothing.
void WritePcxStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// WritePcxStream into a file, which is replaced only by a complete picture.
void WritePcx(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);

}  // namespace kx
