#include "platform/sane/sane_source_manager.h"

#include <new>

#include "platform/sane/sane_exchange.h"

namespace kx {

TSaneSourceManager::TSaneSourceManager(TSourceChooserUI* chooser, TScanOptionsUI* options)
    : fExchange(std::make_unique<TSaneExchange>(chooser, options)) {}

TSaneSourceManager::~TSaneSourceManager() { fExchange->Close(); }

TW_UINT16 TSaneSourceManager::Entry(pTW_IDENTITY, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                    TW_MEMREF data) {
  try {
    return fExchange->Entry(dest, dg, dat, msg, data);
  } catch (const std::bad_alloc&) {
    return fExchange->Failed(TWCC_LOWMEMORY);
  } catch (...) {
    // A dialog failed in a way the protocol has no word for.
    return fExchange->Failed(TWCC_BUMMER);
  }
}

TSourceManagerLoader KXSaneSourceManagerLoader(TSourceChooserUI* chooser, TScanOptionsUI* options) {
  return [chooser, options]() -> std::unique_ptr<TSourceManager> {
    return std::make_unique<TSaneSourceManager>(chooser, options);
  };
}

}  // namespace kx
