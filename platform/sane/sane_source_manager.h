// The source manager over SANE: one object plays both the manager (the scanners SANE knows are
// its sources) and the open source, translating each triplet of the acquisition protocol into
// SANE calls. It keeps the protocol's states itself and refuses a triplet out of order with a
// sequence error, so the application side meets the same rules as with any other manager.
//
// SANE runs for one exchange, from MSG_OPENDSM to MSG_CLOSEDSM (or the manager's end). Failures
// never leave Entry as exceptions: they are TWRC_FAILURE with a condition code to be asked for
// with DAT_STATUS.
#pragma once

#include <memory>

#include "platform/sane/sane_ui.h"
#include "platform/source_manager.h"

namespace kx {

class TSaneExchange;

class TSaneSourceManager final : public TSourceManager {
 public:
  // `chooser` answers MSG_USERSELECT (none: the first scanner) and `options` is the source's
  // own dialog when the application asks for it (none: scan with the settings as they are).
  // Both are the caller's and must outlive the manager.
  explicit TSaneSourceManager(TSourceChooserUI* chooser = nullptr, TScanOptionsUI* options = nullptr);
  ~TSaneSourceManager() override;

  TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data) override;

 private:
  std::unique_ptr<TSaneExchange> fExchange;
};

// A loader for KXSetSourceManagerLoader that makes SANE managers with these dialogs (either may be
// null); the dialogs must outlive every manager it makes.
TSourceManagerLoader KXSaneSourceManagerLoader(TSourceChooserUI* chooser = nullptr, TScanOptionsUI* options = nullptr);

}  // namespace kx
