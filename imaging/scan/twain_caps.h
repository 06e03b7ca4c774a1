// Capability containers: reading what a source reports into the change-tracking lists, and
// sending what the application changed. A container is trusted in nothing: its type, its item
// type, its item count against the block's size and its current index are all checked, and a
// container that fails a check counts as not reported. Also the negotiation that precedes every
// acquisition and the read of the whole capability record.
#pragma once

#include <cstddef>

#include "imaging/core/kxlist.h"
#include "platform/twain.h"

namespace kx {

struct TKXTWContext;
struct TKXTWSourceCaps;

// x as a fixed-point number: v = Trunc(x x 65536 + 0.5), Whole the upper and Frac the lower 16
// bits of v. Values outside what 32 bits hold are clamped first.
TW_FIX32 KXTWToFix32(double x);
// Whole + Frac / 65536, both taken as unsigned.
double KXTWFromFix32(TW_FIX32 f);

// Parses a container block of `size` bytes of type `conType` into `list` (cleared first); false,
// with `list` untouched, when the block is not a well-formed container of items the list holds:
// TW_FIX32 for real lists, any integer type of 1, 2 or 4 bytes (and booleans) for integer lists.
bool KXTWParseContainer(TW_UINT16 conType, const void* block, size_t size, TKXDoubleList& list);
bool KXTWParseContainer(TW_UINT16 conType, const void* block, size_t size, TKXIntegerList& list);

// MSG_GET of capability `cap` into `list`; false (list untouched) when the source does not report
// it in a readable container.
bool KXTWReadList(TKXTWContext& ctx, TW_UINT16 cap, TKXDoubleList& list);
bool KXTWReadList(TKXTWContext& ctx, TW_UINT16 cap, TKXIntegerList& list);
// A single real or boolean, read only from a one-value container.
bool KXTWReadReal(TKXTWContext& ctx, TW_UINT16 cap, double& value);
bool KXTWReadBool(TKXTWContext& ctx, TW_UINT16 cap, bool& value);

// Sends what the list's change marks say changed: the items as an enumeration (as a one-value
// of the current value when the current value is not among them), the current value as a
// one-value, the range (real lists only). True when the last send succeeded or nothing was sent.
bool KXTWWriteList(TKXTWContext& ctx, TW_UINT16 cap, const TKXDoubleList& list);
bool KXTWWriteList(TKXTWContext& ctx, TW_UINT16 cap, const TKXIntegerList& list);
bool KXTWWriteBool(TKXTWContext& ctx, TW_UINT16 cap, bool value);
bool KXTWWriteUInt16(TKXTWContext& ctx, TW_UINT16 cap, TW_UINT16 value);

// Reads units (set to inches), resolutions, scalings, pixel type, gamma, physical sizes, feeder,
// orientation, indicators and the image layout into `caps`; what the source does not report gets
// the defaults of an unreported capability.
void KXTWReadCapabilities(TKXTWContext& ctx, TKXTWSourceCaps& caps);
// Sends the parameters to the open source in the order sources expect and decides the transfer
// mechanism (ctx.UseMemoryTransfer). A record not read yet is read first, in this session.
void KXTWNegotiate(TKXTWContext& ctx);

}  // namespace kx
