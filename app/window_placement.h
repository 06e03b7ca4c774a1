// Where the main window was and how it was shown, kept in the settings store between runs
// under the application's key, beside the six settings.
#pragma once

#include <cstdint>

#include "platform/settings_store.h"

namespace quillop {

inline constexpr const char* kPlacementKey = "\\SOFTWARE\\Brindlework\\Quillop\\Placement";

struct TWindowPlacement {
  int32_t Left = 0, Top = 0;  // the frame's top-left corner on the desktop
  bool Minimized = false;
  friend bool operator==(const TWindowPlacement&, const TWindowPlacement&) = default;
};

// False when nothing was stored or what is stored is not whole numbers (then `placement` is
// left as it was).
bool ReadPlacement(kx::TSettingsStore& store, TWindowPlacement& placement);
// False when it could not be stored; nothing of it is then committed.
bool WritePlacement(kx::TSettingsStore& store, const TWindowPlacement& placement);

}  // namespace quillop
