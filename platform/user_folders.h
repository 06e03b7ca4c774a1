// The per-user folders of the desktop: where settings and caches belong, as the XDG base
// directory rules place them.
#pragma once

#include <string>

namespace kx {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; empty when neither is known.
std::string KXUserConfigFolder();
// $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache; empty when neither is known.
std::string KXUserCacheFolder();
// Creates `folder` and its missing parents with `mode` (existing ones are left as they are);
// false when it cannot be made or is not a folder.
bool KXMakeFolders(const std::string& folder, unsigned mode);

}  // namespace kx
