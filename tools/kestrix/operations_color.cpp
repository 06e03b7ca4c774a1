// The colour and tone rows of `convert --do`: brightness, contrast, negative, gray, hue shifts,
// colour replacement, thresholds, level stretch, equalisation and colour reduction. Colours are
// written R,G,B.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "tools/kestrix/operation_args.h"
#include "tools/kestrix/operations.h"

namespace kestrix {

namespace {

bool AllInts(std::span<const std::string> a) {
  for (const std::string& s : a)
    if (!ParseInt(s)) return false;
  return true;
}
bool AllColors(std::span<const std::string> a) {
  for (const std::string& s : a)
    if (!ParseColor(s)) return false;
  return true;
}
bool NoArgs(std::span<const std::string>) { return true; }

int32_t I(std::span<const std::string> a, size_t i) { return *ParseInt(a[i]); }
kx::TRGB C(std::span<const std::string> a, size_t i) { return *ParseColor(a[i]); }

const std::vector<TToolOperation> kColorOperations = {
    {"IntensityRGBall", "DR DG DB", 3, AllInts,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.IntensityRGBall(I(a, 0), I(a, 1), I(a, 2)); }},
    {"Contrast", "V", 1, AllInts,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.Contrast(I(a, 0)); }},
    {"Negative", "", 0, NoArgs, [](kx::TKestrixProc& proc, std::span<const std::string>) { proc.Negative(); }},
    {"ConvertToGray", "", 0, NoArgs,
     [](kx::TKestrixProc& proc, std::span<const std::string>) { proc.ConvertToGray(); }},
    {"HSLvar", "DH DS DL", 3, AllInts,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.HSLvar(I(a, 0), I(a, 1), I(a, 2)); }},
    {"HSVvar", "DH DS DV", 3, AllInts,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.HSVvar(I(a, 0), I(a, 1), I(a, 2)); }},
    {"CastColorRange", "R,G,B R,G,B R,G,B", 3, AllColors,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.CastColorRange(C(a, 0), C(a, 1), C(a, 2)); }},
    {"Threshold", "R,G,B R,G,B R,G,B R,G,B", 4, AllColors,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) {
       proc.Threshold(C(a, 0), C(a, 1), C(a, 2), C(a, 3));
     }},
    {"HistEqualize", "R,G,B R,G,B", 2, AllColors,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.HistEqualize(C(a, 0), C(a, 1)); }},
    {"HistAutoEqualize", "", 0, NoArgs,
     [](kx::TKestrixProc& proc, std::span<const std::string>) { proc.HistAutoEqualize(); }},
    {"ConvertTo", "COLORS", 1, AllInts,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.ConvertTo(I(a, 0)); }},
    {"ConvertToBWOrdered", "", 0, NoArgs,
     [](kx::TKestrixProc& proc, std::span<const std::string>) { proc.ConvertToBWOrdered(); }},
    {"ConvertToBWThreshold", "THRESHOLD", 1, AllInts,
     [](kx::TKestrixProc& proc, std::span<const std::string> a) { proc.ConvertToBWThreshold(I(a, 0)); }},
    {"ConvertTo24Bit", "", 0, NoArgs,
     [](kx::TKestrixProc& proc, std::span<const std::string>) { proc.ConvertTo24Bit(); }, kOneBitToo},
};

}  // namespace

std::span<const TToolOperation> ColorToolOperations() { return kColorOperations; }

}  // namespace kestrix
