// Reading the primary language from the locale variables.
#include "platform/locale.h"

#include <cctype>
#include <cstdlib>

namespace kx {

std::string KXUserPrimaryLanguage() {
  const char* value = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    value = std::getenv(name);
    if (value != nullptr && *value != '\0') break;
    value = nullptr;
  }
  if (value == nullptr) return {};
  // language[_territory][.codeset][@modifier]
  std::string language;
  for (const char* p = value; *p != '\0' && *p != '_' && *p != '.' && *p != '@'; ++p) {
    language += char(std::tolower(static_cast<unsigned char>(*p)));
  }
  if (language == "c" || language == "posix") return {};
  return language;
}

}  // namespace kx
