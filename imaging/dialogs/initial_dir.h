// The folder a picture dialog starts in.
#pragma once

#include <string>

namespace kx {

// `dir` without its trailing "/" (or "\"), which the dialog's folder history would otherwise
// hold twice; kept when it follows ":" ("C:\", "file:/") or is the whole name, since "/" alone
// is the root.
std::string KXInitialDir(const std::string& dir);

}  // namespace kx
