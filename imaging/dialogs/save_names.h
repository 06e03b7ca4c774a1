// How the save dialog completes and renames the file name the user typed. Only the file's own
// name counts: dots in folder names are no extensions.
#pragma once

#include <string>

namespace kx {

// The extension of a filter's patterns with its dot: from the first "." up to the first ";"
// ("*.jpg;*.jpeg" gives ".jpg"); empty when there is none or it is a wildcard.
std::string KXPatternExtension(const std::string& patterns);
// The extension of the file's own name with its dot, or empty.
std::string KXNameExtension(const std::string& fileName);
// `fileName` with `extension` (with or without its dot) appended when it has none.
std::string KXWithDefaultExtension(const std::string& fileName, const std::string& extension);
// `fileName` with its last extension replaced by `extension` (appended when it has none):
// "my.holiday.jpg" becomes "my.holiday.png". An empty name stays empty.
std::string KXWithExtension(const std::string& fileName, const std::string& extension);

}  // namespace kx
