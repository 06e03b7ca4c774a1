// Saving without ever destroying the old file: the new one is written under a temporary name in
// the target's folder and renamed over the target only when it is complete.
#pragma once

#include <functional>
#include <string>

namespace kx {

class TStream;

// Creates a temporary file next to `fileName`, lets `write` fill it, and renames it over
// `fileName` when `write` returns true. Returns whether the file was replaced. When `write`
// returns false or throws, an existing file keeps its bytes and no temporary is left; the
// exception passes on. Throws EFCreateError, naming `fileName`, when the temporary cannot be
// made or renamed.
bool KXReplaceFile(const std::string& fileName, const std::function<bool(TStream&)>& write);

}  // namespace kx
