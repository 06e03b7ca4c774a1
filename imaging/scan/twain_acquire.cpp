// The entry points into the source manager and the acquisition's event loop.
#include "imaging/scan/twain_acquire.h"

#include "imaging/scan/twain_caps.h"
#include "imaging/scan/twain_transfer.h"
#include "platform/acquire_host.h"

namespace kx {

namespace {

// Input to the window stays off while the source works, on every way out.
class TWindowInputOff {
 public:
  TWindowInputOff(TAcquireHost& host, uintptr_t window) : fHost(host), fWindow(window) {
    fHost.EnableWindow(fWindow, false);
  }
  ~TWindowInputOff() { fHost.EnableWindow(fWindow, true); }
  TWindowInputOff(const TWindowInputOff&) = delete;
  TWindowInputOff& operator=(const TWindowInputOff&) = delete;

 private:
  TAcquireHost& fHost;
  uintptr_t fWindow;
};

// Hands one turn of the event loop to the source and acts on what the source asks for.
void ProcessEvent(TKXTWContext& ctx, TAcquireEventRecord& record) {
  if (ctx.State != 5) return;
  TW_EVENT event{&record, MSG_NULL};
  ctx.CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  switch (event.TWMessage) {
    case MSG_XFERREADY:
      ctx.State = 6;
      if (ctx.Multi)
        KXTWTransferMulti(ctx);
      else
        KXTWTransferSingle(ctx);
      if (ctx.DisableAfterTransfer) ctx.DisableSource();
      break;
    case MSG_CLOSEDSREQ:
      ctx.DisableSource();
      break;
    default:
      break;
  }
}

}  // namespace

bool KXTW_SelectImageSource(uintptr_t window, std::string& sourceName) {
  sourceName.clear();
  const TKXTWExchangeGuard guard;
  if (!guard.Acquired()) return false;
  if (window != 0 && !KXAcquireHost().IsWindow(window)) return false;
  TKXTWContext ctx(nullptr);
  if (!ctx.OpenManager(window)) return false;
  TW_IDENTITY chosen{};
  const bool confirmed = ctx.CallManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen);
  if (confirmed) sourceName = KXTWIdentityName(chosen);
  return confirmed;
}

bool KXTW_GetSourceList(std::vector<TW_IDENTITY>& list) {
  list.clear();
  const TKXTWExchangeGuard guard;
  if (!guard.Acquired()) return false;
  TKXTWContext ctx(nullptr);
  if (!ctx.OpenManager(0)) return false;
  list = ctx.EnumerateSources();
  return true;
}

bool KXTW_GetCapabilities(TKXTWainParams* params, TKXTWSourceCaps& caps, bool update) {
  if (!params) return false;
  const TKXTWExchangeGuard guard;
  if (!guard.Acquired()) return false;
  TKXTWContext ctx(params);
  ctx.Params = params;
  ctx.UseMemoryTransfer = params->GetBufferedTransfer();
  if (!ctx.OpenManager(0) || !ctx.OpenSource()) return false;
  if (update) KXTWNegotiate(ctx);
  KXTWReadCapabilities(ctx, caps);
  // After a plain read the lists carry no change marks, so the next acquisition sends only
  // what the application changes from now on.
  if (!update) caps.ClearChangeMarks();
  if (&caps == &params->Caps()) params->CapabilitiesRead();
  return true;
}

bool KXTW_Acquire(uintptr_t window, TBitmap* bitmap, bool multi, TKXTWMultiCallBack multiCallBack,
                  TKXTWainParams* params, TIOParamsVals* ioParams, TProgressRec& progress) {
  if (!params || (!multi && !bitmap)) return false;
  const TKXTWExchangeGuard guard;
  // A nested call (from a progress handler) may share the running one's record: the refusal
  // must not touch its abort flag.
  if (!guard.Acquired()) return false;
  TAcquireHost& host = KXAcquireHost();
  // Without a window the source runs without a parent: it still shows its dialog on its own.
  if (!host.IsWindow(window)) window = 0;
  bool quit = false;
  bool done = false;
  {
    TKXTWContext ctx(params);
    ctx.NoUI = !params->ShowSourceDialog;
    ctx.Multi = multi;
    ctx.MultiCallBack = multiCallBack;
    ctx.Params = params;
    ctx.IOParams = ioParams;
    ctx.Bitmap = bitmap;
    ctx.Progress = &progress;
    ctx.UseMemoryTransfer = params->GetBufferedTransfer();
    if (!ctx.OpenManager(window)) {
      progress.Abort("no scanner software can be reached");
      return false;
    }
    if (!ctx.OpenSource()) {
      progress.Abort("the scanner cannot be opened");
      return false;
    }
    KXTWNegotiate(ctx);
    if (!ctx.EnableSource()) {
      // A source that answers the start with a cancel was stopped by its user.
      if (ctx.LastRC != TWRC_CANCEL) progress.Abort("the scanner did not start");
      return false;
    }
    {
      const TWindowInputOff inputOff(host, window);
      TAcquireEventRecord record{window, 0};
      while (ctx.State == 5 && !ctx.Done) {
        if (!host.NextEvent()) {
          quit = true;
          break;
        }
        ++record.Turn;
        ProcessEvent(ctx, record);
      }
    }
    done = ctx.Done;
    // Without an image, a failed transfer is a failure; a cancel in the source's dialog is not.
    if (!done && !ctx.Failure.empty()) progress.Abort(ctx.Failure);
  }
  // The loop took the request to quit; the application's own loop must still see it.
  if (quit) host.PostQuit();
  return done;
}

}  // namespace kx
