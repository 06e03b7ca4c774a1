// The small records the processing component's operations take and fill: the histogram of the
// colour group and the 3 x 3 kernel with its presets of the filter group. They sit apart from
// those groups' routines so that the component's header can name them without pulling the
// routines in.
#pragma once

#include <cstdint>

namespace kx {

// Counters of one level: red, green, blue, gray.
struct THistogramItem {
  uint32_t r = 0;
  uint32_t g = 0;
  uint32_t b = 0;
  uint32_t Gray = 0;
};
using THistogram = THistogramItem[256];
using PHistogram = THistogramItem*;

// Values[0] weighs the row above the pixel, Values[2] the row below; within a row the left
// neighbour, the pixel's column, the right neighbour. A divisor of 0 counts as 1.
struct TGraphFilter {
  int32_t Values[3][3];
  int32_t Divisor;
  friend bool operator==(const TGraphFilter&, const TGraphFilter&) = default;
};
static_assert(sizeof(TGraphFilter) == 40);

enum TKXFilterPresets : uint8_t {
  fpNone,
  fpBlur,
  fpEdge,
  fpEmboss,
  fpHighPass1,
  fpHighPass2,
  fpHighPass3,
  LowPass1,
  LowPass2,
};
constexpr int kKXFilterPresetCount = LowPass2 + 1;

}  // namespace kx
