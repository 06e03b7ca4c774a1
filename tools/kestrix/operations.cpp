// The dispatch table of `convert --do`: each row runs one operation of the processing
// component on the picture, with its arguments parsed from the command line.
#include "tools/kestrix/operations.h"

#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "tools/kestrix/operation_args.h"

namespace kestrix {
namespace {

constexpr std::string_view kFilters[] = {"rfNone",    "rfTriangle", "rfHermite", "rfBell",
                                         "rfBSpline", "rfLanczos3", "rfMitchell"};
constexpr std::string_view kFlipDirs[] = {"fdHorizontal", "fdVertical"};
constexpr std::string_view kBools[] = {"false", "true"};

bool ValidResample(std::span<const std::string> a) {
  return ParseInt(a[0]) && ParseInt(a[1]) && ParseName<kx::TResampleFilter>(a[2], kFilters);
}
void RunResample(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.Resample(*ParseInt(a[0]), *ParseInt(a[1]), *ParseName<kx::TResampleFilter>(a[2], kFilters));
}

bool ValidImageResize(std::span<const std::string> a) { return ParseInt(a[0]) && ParseInt(a[1]); }
void RunImageResize(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.ImageResize(*ParseInt(a[0]), *ParseInt(a[1]));
}

bool ValidRotate(std::span<const std::string> a) { return ParseInt(a[0]) && ParseName<bool>(a[1], kBools); }
void RunRotate(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.Rotate(*ParseInt(a[0]), *ParseName<bool>(a[1], kBools));
}

bool ValidFlip(std::span<const std::string> a) { return bool(ParseName<kx::TFlipDir>(a[0], kFlipDirs)); }
void RunFlip(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.Flip(*ParseName<kx::TFlipDir>(a[0], kFlipDirs));
}

const std::vector<TToolOperation> kGeometryOperations = {
    {"Resample", "WIDTH HEIGHT rfNone|rfTriangle|rfHermite|rfBell|rfBSpline|rfLanczos3|rfMitchell", 3, ValidResample,
     RunResample, kOneBitToo},
    {"ImageResize", "WIDTH HEIGHT", 2, ValidImageResize, RunImageResize, kOneBitToo},
    {"Rotate", "ANGLE false|true", 2, ValidRotate, RunRotate, kOneBitToo},
    {"Flip", "fdHorizontal|fdVertical", 1, ValidFlip, RunFlip, kOneBitToo},
};

}  // namespace

// Geometry first, then colour and tone, convolution, effects and Fourier: the order of the help text.
const std::vector<TToolOperation>& AllOperations() {
  static const std::vector<TToolOperation> all = [] {
    std::vector<TToolOperation> rows = kGeometryOperations;
    for (auto group : {ColorToolOperations(), FilterToolOperations(), EffectToolOperations(), FourierToolOperations()})
      rows.insert(rows.end(), group.begin(), group.end());
    return rows;
  }();
  return all;
}

std::span<const TToolOperation> ToolOperations() { return AllOperations(); }

const TToolOperation* FindToolOperation(std::string_view name) {
  for (const TToolOperation& op : AllOperations())
    if (op.Name == name) return &op;
  return nullptr;
}

}  // namespace kestrix
