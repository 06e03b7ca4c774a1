// XDG base folders and folder creation.
#include "platform/user_folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace kx {
namespace {

std::string BaseFolder(const char* variable, const char* underHome) {
  if (const char* v = std::getenv(variable); v && v[0] == '/') return v;
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::string(home) + "/" + underHome;
  return {};
}

}  // namespace

std::string KXUserConfigFolder() { return BaseFolder("XDG_CONFIG_HOME", ".config"); }

std::string KXUserCacheFolder() { return BaseFolder("XDG_CACHE_HOME", ".cache"); }

bool KXMakeFolders(const std::string& folder, unsigned mode) {
  if (folder.empty()) return false;
  for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (mkdir(part.c_str(), mode_t(mode)) != 0 && errno != EEXIST) return false;
    if (end == std::string::npos) break;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace kx
