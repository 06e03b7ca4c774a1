// The state of one exchange of the SANE source manager and its answers to each triplet; private
// to platform/sane/, split over one file per group of triplets (the manager and the source's
// life, the capabilities and layout, the transfers).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sane/sane_device.h"
#include "platform/sane/sane_page.h"
#include "platform/sane/sane_ui.h"
#include "platform/twain.h"

namespace kx {

// The condition code a failure with this SANE status reports.
TW_UINT16 KXSaneCondition(SANE_Status status);

class TSaneExchange {
 public:
  TSaneExchange(TSourceChooserUI* chooser, TScanOptionsUI* options) : fChooser(chooser), fOptions(options) {}

  TW_UINT16 Entry(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  // Back to state 2 whatever the state: the manager may be dropped in the middle of a scan.
  void Close();
  // A failure that left Entry by an exception.
  TW_UINT16 Failed(TW_UINT16 condition) { return Fail(condition); }

 private:
  // Tone capabilities the protocol defines beside those the acquisition negotiates; a backend's
  // "brightness" and "contrast" options answer them with their own ranges.
  static constexpr TW_UINT16 kCapBrightness = 0x1101;
  static constexpr TW_UINT16 kCapContrast = 0x1103;

  static constexpr double kMmPerInch = 25.4;
  // Memory transfers hand out strips of about this size (whole rows, at least one).
  static constexpr size_t kPreferredStrip = 64 * 1024;

  // The protocol's states, as far as this manager plays them.
  enum TState : int {
    stLoaded = 2,
    stManagerOpen = 3,
    stSourceOpen = 4,
    stEnabled = 5,
    stXferReady = 6,
    stTransferring = 7,
  };

  TW_UINT16 Fail(TW_UINT16 condition) {
    fCondition = condition;
    return TWRC_FAILURE;
  }
  TW_UINT16 Sequence() { return Fail(TWCC_SEQERROR); }

  TW_UINT16 Parent(TW_UINT16 msg);
  TW_UINT16 Identity(TW_UINT16 msg, TW_IDENTITY* id);
  TW_UINT16 Status(TW_STATUS* status);
  TW_UINT16 UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui);
  TW_UINT16 Event(TW_EVENT* event);
  TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap);
  TW_UINT16 GetCapability(TW_CAPABILITY* cap);
  TW_UINT16 SetCapability(TW_CAPABILITY* cap);
  TW_UINT16 Layout(TW_UINT16 msg, TW_IMAGELAYOUT* layout);
  TW_UINT16 ImageInfo(TW_IMAGEINFO* info);
  TW_UINT16 SetupMemXfer(TW_SETUPMEMXFER* setup);
  TW_UINT16 MemXfer(TW_IMAGEMEMXFER* xfer);
  TW_UINT16 NativeXfer(TW_HANDLE* handle);
  TW_UINT16 PendingXfers(TW_UINT16 msg, TW_PENDINGXFERS* pending);

  void ReadDevices();
  void Describe(size_t index, TW_IDENTITY& id) const;
  // Reads the started page unless it is read already.
  TW_UINT16 ReadPage();
  // Ends the batch: SANE's scan is cancelled and the source waits enabled.
  void EndBatch();

  TSourceChooserUI* fChooser;
  TScanOptionsUI* fOptions;
  int fState = stLoaded;
  TW_UINT16 fCondition = TWCC_SUCCESS;
  std::unique_ptr<TSaneSession> fSession;
  bool fDevicesRead = false;
  std::vector<TSaneDeviceInfo> fDevices;
  size_t fNext = 0;  // the next device GETNEXT describes
  std::unique_ptr<TSaneDevice> fDevice;
  TW_IDENTITY fSource{};
  bool fMemoryXfer = false;
  bool fIndicators = true;
  // While enabled: the user cancelled the dialog or a start failed; the request to close went
  // out; a batch was started (once it is over, the source asks to be closed too).
  bool fCloseRequested = false;
  bool fCloseSent = false;
  bool fBatchStarted = false;
  double fScanDpi = 0;
  bool fScanFeeder = false;
  bool fPageRead = false;
  TSanePage fPage;
  int32_t fNextRow = 0;
};

}  // namespace kx
