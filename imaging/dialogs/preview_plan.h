// What the picture area does with a selected path: open it at all (regular files only; a FIFO
// or a device would block the dialog in the read, a folder is no picture), how large it is, and
// how far a large JPEG is reduced while it is decoded, so that one selection takes a moment.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/ioparams.h"

namespace kx {

struct TKXPreviewPlan {
  bool Open = false;     // a regular file (links followed)
  int64_t FileSize = 0;  // its size in bytes
};

TKXPreviewPlan KXPlanPreview(const std::string& path);

// True for the extensions whose files may hold several pictures (".gif", ".tif", ".tiff",
// ".avi"): those the frame preview will go through once multi-frame reading exists; until
// then they show their first picture like any other.
bool KXMayHoldFrames(const std::string& fileName);

// The JPEG reduction for a preview box: the strongest of 1/2, 1/4 and 1/8 that still leaves
// the picture at least as large as the box on both sides, so fitting it loses nothing.
TIOJPEGScale KXPreviewJpegScale(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight);

// One side of the full-size preview window's client area: the picture's, but at least 100
// pixels and at most the screen's.
int32_t KXPreviewWindowSide(int32_t pictureSide, int32_t screenSide);

}  // namespace kx
