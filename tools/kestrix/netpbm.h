// Netpbm reading and writing: the tool's lossless exchange format. P1 to P6 are read (comments,
// maxval 1 to 65535, scaled to 8 bits), P4, P5 and P6 are written.
#pragma once

#include "imaging/core/progress.h"

namespace kx {
class TStream;
class TBitmap;
class TIOParamsVals;
}  // namespace kx

namespace kestrix {

// Reads one Netpbm image at the stream's position: a PBM becomes a 1-bit picture (set bit =
// white), a PGM or PPM a 24-bit one; fills the size and depth of `params`. With `preview`
// only the parameters are read. Failure sets the abort flag.
void ReadNetpbmStream(kx::TStream& stream, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview,
                      kx::TProgressRec& progress);
// Writes a 1-bit bitmap as P4 and any other as P6.
void WritePNMStream(kx::TStream& stream, kx::TBitmap& bitmap, const kx::TIOParamsVals& params,
                    kx::TProgressRec& progress);
// Writes a 1-bit bitmap as P4 and any other as P5, gray = (299 R + 587 G + 114 B + 500) div 1000.
void WritePGMStream(kx::TStream& stream, kx::TBitmap& bitmap, const kx::TIOParamsVals& params,
                    kx::TProgressRec& progress);
// Writes P4: a 1-bit bitmap as it is, any other made 1-bit as the 1-bit writers do
// (_OneBitForWriter: two colours kept apart, darker black, else ordered dithering).
void WritePBMStream(kx::TStream& stream, kx::TBitmap& bitmap, const kx::TIOParamsVals& params,
                    kx::TProgressRec& progress);
// True when the two bytes at the position are P1 to P6; the position is restored.
bool NetpbmTryStream(kx::TStream& stream);

}  // namespace kestrix
