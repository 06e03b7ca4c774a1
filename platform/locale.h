// The language of the user's locale, read from the environment as the C library reads it for
// messages: the first non-empty of LC_ALL, LC_MESSAGES and LANG.
#pragma once

#include <string>

namespace kx {

// The primary language code in lower case ("de" for "de_DE.UTF-8", "el" for "el_GR@euro");
// empty when none of the variables is set, or for the "C" and "POSIX" locales.
std::string KXUserPrimaryLanguage();

}  // namespace kx
