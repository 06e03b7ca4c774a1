// The convolution rows of `convert --do`: a kernel given as nine values and a divisor, or one of
// the built-in presets by name.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "imaging/proc/proc_types.h"
#include "tools/kestrix/operation_args.h"
#include "tools/kestrix/operations.h"

namespace kestrix {

namespace {

constexpr std::string_view kPresets[kx::kKXFilterPresetCount] = {
    "fpNone", "fpBlur", "fpEdge", "fpEmboss", "fpHighPass1", "fpHighPass2", "fpHighPass3", "LowPass1", "LowPass2"};

bool ValidFilter(std::span<const std::string> a) {
  for (const std::string& s : a)
    if (!ParseInt(s)) return false;
  return true;
}
void RunFilter(kx::TKestrixProc& proc, std::span<const std::string> a) {
  kx::TGraphFilter filter;
  for (int k = 0; k < 9; ++k) filter.Values[k / 3][k % 3] = *ParseInt(a[size_t(k)]);
  filter.Divisor = *ParseInt(a[9]);
  proc.ApplyFilter(filter);
}

bool ValidPreset(std::span<const std::string> a) { return bool(ParseName<kx::TKXFilterPresets>(a[0], kPresets)); }
void RunPreset(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.ApplyFilterPreset(*ParseName<kx::TKXFilterPresets>(a[0], kPresets));
}

const TToolOperation kFilterOperations[] = {
    {"ApplyFilter", "v11 v12 v13 v21 v22 v23 v31 v32 v33 DIVISOR", 10, ValidFilter, RunFilter},
    {"ApplyFilterPreset", "fpNone|fpBlur|fpEdge|fpEmboss|fpHighPass1|fpHighPass2|fpHighPass3|LowPass1|LowPass2", 1,
     ValidPreset, RunPreset},
};

}  // namespace

std::span<const TToolOperation> FilterToolOperations() { return kFilterOperations; }

}  // namespace kestrix
