// Capability containers as a source builds and reads them: fixed-point conversion, the one-value,
// enumeration and range blocks a source hands out (in the shared allocator, for the application
// to free), and the value an application's container asks for.
#pragma once

#include <optional>
#include <vector>

#include "platform/twain.h"

namespace kx {

TW_FIX32 KXToFix32(double value);
double KXFromFix32(TW_FIX32 value);

// The blocks a source answers a capability query with; null when no block can be had. Numbers
// are stored as `itemType` says (FIX32, BOOL or an integer type).
TW_HANDLE KXTWMakeOneValue(TW_UINT16 itemType, double value);
TW_HANDLE KXTWMakeEnumeration(TW_UINT16 itemType, const std::vector<double>& items, size_t current, size_t preset);
TW_HANDLE KXTWMakeRange(TW_UINT16 itemType, double min, double max, double step, double preset, double current);

// The value an application's container sets: a one-value's item, an enumeration's current
// item, a range's current value. Nothing for another container, an unknown item type, an
// index beyond the items or a block too short for what it declares.
std::optional<double> KXTWContainerValue(TW_UINT16 conType, TW_HANDLE container);

}  // namespace kx
