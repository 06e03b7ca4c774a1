// The four ways into the source manager: its source-selection dialog, the list of installed
// sources, the capabilities of the selected source, and the acquisition of one image or of a
// batch. Each runs one complete exchange (manager loaded, opened, used, closed and unloaded
// before it returns) and keeps nothing between calls; only one runs at a time in the process.
// With no manager installed every one fails quietly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/progress.h"
#include "imaging/scan/twain_exchange.h"
#include "imaging/scan/twain_params.h"
#include "platform/twain.h"

namespace kx {

class TBitmap;
class TIOParamsVals;

// Shows the manager's selection dialog over `window` (0: no parent; a nonzero handle that is
// no window fails at once). True when the user confirmed a source, whose name goes to
// `sourceName`; empty after a cancel.
bool KXTW_SelectImageSource(uintptr_t window, std::string& sourceName);

// Replaces `list` by the installed sources with a name, in the manager's order. False, with
// `list` empty, when the manager could not be reached.
bool KXTW_GetSourceList(std::vector<TW_IDENTITY>& list);

// Opens the selected source, first sends every parameter when `update`, and reads the
// capabilities into `caps` (the parameters' own record). False, with `caps` unchanged, when the
// manager or the source could not be opened.
bool KXTW_GetCapabilities(TKXTWainParams* params, TKXTWSourceCaps& caps, bool update);

// Acquires one image into `bitmap` (`multi` false), or every image the source delivers, each
// handed to `multiCallBack` (`multi` true; `bitmap` and `ioParams` may be null). The source
// works while the acquisition runs the host's event loop, with input to `window` disabled.
// True when at least one image arrived whole; a bitmap is only replaced by a whole image.
// Without one, a failure (no manager, no source, a source that does not start, a failed
// transfer) sets the progress record's abort flag with its reason; a cancel by the user sets
// nothing, nor does the refusal of a second acquisition while one runs.
bool KXTW_Acquire(uintptr_t window, TBitmap* bitmap, bool multi, TKXTWMultiCallBack multiCallBack,
                  TKXTWainParams* params, TIOParamsVals* ioParams, TProgressRec& progress);

}  // namespace kx
