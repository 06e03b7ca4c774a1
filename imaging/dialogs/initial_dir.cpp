#include "imaging/dialogs/initial_dir.h"

namespace kx {

std::string KXInitialDir(const std::string& dir) {
  if (dir.size() < 2) return dir;
  const char last = dir.back();
  if ((last != '/' && last != '\\') || dir[dir.size() - 2] == ':') return dir;
  return dir.substr(0, dir.size() - 1);
}

}  // namespace kx
