// Loading and saving one picture file through the I/O component, with the tool's progress bar,
// its messages (the file, then the real reason) and its rule that a failed save never touches
// the target.
#pragma once

#include <string>

#include "imaging/io/ioparams.h"

namespace kx {
class TBitmap;
}  // namespace kx

namespace kestrix {

// How a file is named in messages: quoted, or "standard input" / "standard output" for `-`.
std::string ShownName(const std::string& path, bool output);

// Reads `path` (only its parameters with `preview`); `-` is standard input, and standard input,
// pipes, FIFOs and devices are read whole first (up to a bound) and recognised by their content.
// Records the file type and name in `params`; prints the reader's warnings on standard error.
// Throws EFileFailure naming the file and the reason.
void LoadPicture(const std::string& path, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview, bool quiet);
// Writes `path` in `fileType`: `-` is standard output; an existing regular file is replaced only
// when the writer finished. Throws EFileFailure naming the file and the reason.
void SavePicture(const std::string& path, kx::TIOFileType fileType, kx::TBitmap& bitmap,
                 const kx::TIOParamsVals& params, bool quiet);

}  // namespace kestrix
