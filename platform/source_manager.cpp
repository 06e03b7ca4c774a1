// The process's source-manager loader.
#include "platform/source_manager.h"

#include <utility>

namespace kx {

namespace {

TSourceManagerLoader& CurrentLoader() {
  static TSourceManagerLoader loader;
  return loader;
}

}  // namespace

TSourceManager::~TSourceManager() = default;

std::unique_ptr<TSourceManager> KXLoadSourceManager() {
  const TSourceManagerLoader& loader = CurrentLoader();
  return loader ? loader() : nullptr;
}

TSourceManagerLoader KXSetSourceManagerLoader(TSourceManagerLoader loader) {
  return std::exchange(CurrentLoader(), std::move(loader));
}

}  // namespace kx
