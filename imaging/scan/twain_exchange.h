// One exchange with the source manager: the context record that lives on the stack of an entry
// point, the two call wrappers, and the steps that load, open, enable, disable, close and unload,
// each checking and advancing the protocol state (1 nothing loaded, 2 manager loaded, 3 manager
// open, 4 source open, 5 source enabled, 6 transfer ready, 7 transferring). Whatever state an
// exchange reaches, the context walks back down to 1 when it ends, also on an exception, so a
// source is never left open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/event.h"
#include "imaging/core/progress.h"
#include "platform/source_manager.h"
#include "platform/twain.h"

namespace kx {

class TBitmap;
class TKXTWainParams;
class TIOParamsVals;

// Called in multi-image acquisition for every image transferred completely: copies the bitmap
// and points the reference at the parameter set that is to describe the image.
using TKXTWMultiCallBack = TEvent<TBitmap*, TIOParamsVals**>;

struct TKXTWContext {
  // The application identity carries the parameters' strings (none without parameters).
  explicit TKXTWContext(const TKXTWainParams* params);
  ~TKXTWContext();
  TKXTWContext(const TKXTWContext&) = delete;
  TKXTWContext& operator=(const TKXTWContext&) = delete;

  // Set LastRC (TWRC_FAILURE while no manager is loaded); true on TWRC_SUCCESS.
  bool CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  bool CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  // The steps; each is true when the state it leads to was reached.
  bool LoadManager();
  bool OpenManager(uintptr_t window);
  // Opens the source the parameters select (the manager's default when their name is empty);
  // a name the manager does not list fails.
  bool OpenSource();
  bool EnableSource();
  bool DisableSource();
  void CloseSource();
  void CloseManager();
  void UnloadManager();
  // Ends the transfer of the current image and discards every further one: ENDXFER in state 7,
  // then RESET in state 6. Leaves state 5 when the source follows.
  void EndTransfer();
  // ENDXFER in state 7 only: state 6 while images are pending, else 5.
  void EndImage();
  // Walks down from whatever state was reached to state 1.
  void Teardown();

  // The sources the manager lists whose name is not empty, in its order; the walk ends on any
  // answer but success.
  std::vector<TW_IDENTITY> EnumerateSources();

  int32_t State = 1;
  std::unique_ptr<TSourceManager> Manager;
  uintptr_t ParentWindow = 0;
  TW_UINT16 LastRC = TWRC_FAILURE;
  TW_IDENTITY AppIdentity{};
  TW_IDENTITY SourceIdentity{};
  TW_USERINTERFACE UserInterface{};
  bool NoUI = false;
  TW_PENDINGXFERS PendingXfers{};
  bool Multi = false;
  TKXTWMultiCallBack MultiCallBack;
  // Set when the source is to be disabled as soon as the transfer handling returns: a failed or
  // cancelled transfer without the source's dialog, or an abort.
  bool DisableAfterTransfer = false;
  TKXTWainParams* Params = nullptr;
  TIOParamsVals* IOParams = nullptr;
  bool UseMemoryTransfer = false;
  // At least one image was transferred completely.
  bool Done = false;
  // Why the last transfer failed; empty when none failed (a cancel is no failure).
  std::string Failure;
  TBitmap* Bitmap = nullptr;
  TProgressRec* Progress = nullptr;
};

// Only one exchange runs in the process at a time: an entry point called while another runs
// (from a progress handler, a timer during the acquisition's event loop, another thread) fails
// quietly instead of opening a second session with the manager.
class TKXTWExchangeGuard {
 public:
  TKXTWExchangeGuard();
  ~TKXTWExchangeGuard();
  TKXTWExchangeGuard(const TKXTWExchangeGuard&) = delete;
  TKXTWExchangeGuard& operator=(const TKXTWExchangeGuard&) = delete;
  bool Acquired() const { return fAcquired; }

 private:
  bool fAcquired;
};

}  // namespace kx
