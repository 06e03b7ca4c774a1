// How the viewer opens a picture: through the I/O component, so every format the registry
// reads reaches the viewer, by name first and by content for a misnamed file.
#pragma once

#include <string>

#include "imaging/view/view.h"

namespace kestrixview {

// Loads `fileName` into `view` and takes the file's resolution. The extension chooses the codec
// when it names one that reads; otherwise, or when that codec gives up on the file, the content
// does. Empty when the picture was loaded, else a one-line message naming the file.
std::string LoadIntoView(kx::TKestrixView& view, const std::string& fileName);

}  // namespace kestrixview
