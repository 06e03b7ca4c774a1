// Loading and saving one picture file through the I/O component, with the tool's progress bar
// and its rule that a failed save never touches the target.
#pragma once

#include <string>

namespace kx {
class TBitmap;
class TIOParamsVals;
}  // namespace kx

namespace kestrix {

// Reads `path` (only its parameters with `preview`); records the file type and name in
// `params`. Throws EFileFailure naming the file and the reason.
void LoadPicture(const std::string& path, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview, bool quiet);
// Writes `path` under a temporary name in its folder and renames it over `path` only when the
// writer finished. Throws EFileFailure naming the file and the reason; no temporary is left.
void SavePicture(const std::string& path, kx::TBitmap& bitmap, const kx::TIOParamsVals& params, bool quiet);

}  // namespace kestrix
