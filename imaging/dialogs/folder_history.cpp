#include "imaging/dialogs/folder_history.h"

#include <algorithm>

namespace kx {

void TKXFolderHistory::Add(const std::string& folder) {
  if (folder.empty() || fCapacity == 0) return;
  std::erase(fFolders, folder);
  fFolders.insert(fFolders.begin(), folder);
  if (fFolders.size() > fCapacity) fFolders.resize(fCapacity);
}

}  // namespace kx
