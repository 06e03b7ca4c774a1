// The settings of a scan in the terms the acquisition negotiates, on top of a SANE device's
// options: pixel type from "mode" (and "depth" where a backend makes line art a 1-bit gray scan),
// the feeder as one entry of "source", the scan area from tl-x .. br-y in millimetres, and the
// whole set as the options dialog shows it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sane/sane_device.h"
#include "platform/sane/sane_ui.h"

namespace kx {

// The pixel types (TWPT_BW, TWPT_GRAY, TWPT_RGB) the device can scan, in that order.
std::vector<int> KXSanePixelTypes(const TSaneDevice& device);
// The pixel type the device is set to; nothing when its mode means none of them.
std::optional<int> KXSanePixelType(const TSaneDevice& device);
SANE_Status KXSaneSetPixelType(TSaneDevice& device, int pixelType);

// The entry of the "source" option that feeds documents; nothing when there is none.
std::optional<std::string> KXSaneFeederSource(const TSaneDevice& device);
bool KXSaneFeederEnabled(const TSaneDevice& device);
SANE_Status KXSaneSetFeederEnabled(TSaneDevice& device, bool on);

// A scan area in millimetres.
struct TSaneArea {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};
// The area the device is set to; false when it has no area options in millimetres.
bool KXSaneArea(const TSaneDevice& device, TSaneArea& area);
// The largest area (the upper ends of the ranges of br-x and br-y).
bool KXSaneMaxArea(const TSaneDevice& device, TSaneArea& area);
SANE_Status KXSaneSetArea(TSaneDevice& device, const TSaneArea& area);

// The resolution option's value, in dots per inch; 0 when the device has none.
double KXSaneResolution(const TSaneDevice& device);

// What the options dialog offers and starts from, and its answer applied to the device.
TScanChoices KXSaneChoices(const TSaneDevice& device);
TScanValues KXSaneValues(const TSaneDevice& device);
SANE_Status KXSaneApply(TSaneDevice& device, const TScanValues& values);

}  // namespace kx
