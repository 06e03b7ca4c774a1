// The effect rows of `convert --do`: merging with another picture file, bump mapping, the lens,
// waves and the gray-ranked morphology. Colours are written R,G,B.
#include <span>
#include <string>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "tools/kestrix/operation_args.h"
#include "tools/kestrix/operations.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {

namespace {

constexpr std::string_view kBools[] = {"false", "true"};

int32_t I(std::span<const std::string> a, size_t i) { return *ParseInt(a[i]); }

// OTHER is read when the row runs; only PERCENT can be checked beforehand.
bool ValidMerge(std::span<const std::string> a) { return bool(ParseInt(a[1])); }
void RunMerge(kx::TKestrixProc& proc, std::span<const std::string> a) {
  kx::TBitmap other;
  kx::TIOParamsVals params;
  LoadPicture(a[0], other, params, false, true);
  proc.Merge(other, I(a, 1));
}

bool ValidBump(std::span<const std::string> a) {
  for (size_t i = 0; i < 5; ++i)
    if (!ParseInt(a[i])) return false;
  return bool(ParseColor(a[5]));
}
void RunBump(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.BumpMapping(I(a, 0), I(a, 1), I(a, 2), I(a, 3), I(a, 4), *ParseColor(a[5]));
}

bool ValidLens(std::span<const std::string> a) {
  return ParseInt(a[0]) && ParseInt(a[1]) && ParseInt(a[2]) && ParseInt(a[3]) && ParseDouble(a[4]);
}
void RunLens(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.Lens(I(a, 0), I(a, 1), I(a, 2), I(a, 3), *ParseDouble(a[4]));
}

bool ValidWave(std::span<const std::string> a) {
  return ParseInt(a[0]) && ParseInt(a[1]) && ParseInt(a[2]) && ParseName<bool>(a[3], kBools);
}
void RunWave(kx::TKestrixProc& proc, std::span<const std::string> a) {
  proc.Wave(I(a, 0), I(a, 1), I(a, 2), *ParseName<bool>(a[3], kBools));
}

bool ValidRadius(std::span<const std::string> a) { return bool(ParseInt(a[0])); }

const std::vector<TToolOperation> kEffectOperations = {
    {"Merge", "OTHER PERCENT", 2, ValidMerge, RunMerge},
    {"BumpMapping", "X Y WIDTH HEIGHT PERCENT R,G,B", 6, ValidBump, RunBump},
    {"Lens", "X Y WIDTH HEIGHT REFRACTION", 5, ValidLens, RunLens},
    {"Wave", "AMPLITUDE WAVELENGTH PHASE false|true", 4, ValidWave, RunWave},
    {"Maximum", "RADIUS", 1, ValidRadius,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.Maximum(I(a, 0)); }},
    {"Minimum", "RADIUS", 1, ValidRadius,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.Minimum(I(a, 0)); }},
    {"Opening", "RADIUS", 1, ValidRadius,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.Opening(I(a, 0)); }},
    {"Closing", "RADIUS", 1, ValidRadius,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.Closing(I(a, 0)); }},
};

}  // namespace

std::span<const TToolOperation> EffectToolOperations() { return kEffectOperations; }

}  // namespace kestrix
