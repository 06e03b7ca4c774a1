// SANE's "test" backend: a virtual scanner that ships with the SANE library but is switched off
// in the system's configuration. A private configuration folder switches it on for this process,
// so that someone without a scanner (and every test) can scan its test pictures.
#pragma once

#include <string>

namespace kx {

// Writes `folder`/dll.conf naming only the test backend and `folder`/test.conf (two devices, a
// colour test pattern at 75 dpi, so a first scan shows something), and points SANE_CONFIG_DIR at
// the folder. Call it before the first exchange with SANE: the library reads its configuration
// when it starts. Returns an error text, or an empty string on success.
std::string KXEnableSaneTestBackend(const std::string& folder);

}  // namespace kx
