// The Fourier rows of `convert --do`: the spectrum as a picture, and frequency filters that
// transform the picture, clear frequencies and transform it back.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/fourier.h"
#include "tools/kestrix/operation_args.h"
#include "tools/kestrix/operations.h"

namespace kestrix {

namespace {

constexpr std::string_view kTypes[] = {"unknown", "rgb", "gray"};

bool ValidDisplay(std::span<const std::string> a) {
  const auto type = ParseName<kx::TKXFtImageType>(a[0], kTypes);
  return type && *type != kx::kxitUnknown;
}
void RunDisplay(kx::TKestrixProc& proc, std::span<const std::string> a) {
  if (const auto ft = proc.FTCreateImage(*ParseName<kx::TKXFtImageType>(a[0], kTypes), -1, -1)) proc.FTDisplayFrom(*ft);
}

bool ValidInts(std::span<const std::string> a) {
  for (const std::string& s : a)
    if (!ParseInt(s)) return false;
  return true;
}

// Transforms the colour picture, lets `filter` clear frequencies and puts the inverse back.
template <typename Filter>
void Filtered(kx::TKestrixProc& proc, Filter filter) {
  if (const auto ft = proc.FTCreateImage(kx::kxitRGB, -1, -1)) {
    filter(*ft);
    proc.FTConvertFrom(*ft);
  }
}
void RunLowPass(kx::TKestrixProc& proc, std::span<const std::string> a) {
  Filtered(proc, [&](kx::TKXFtImage& ft) { ft.LoPass(*ParseInt(a[0])); });
}
void RunHighPass(kx::TKestrixProc& proc, std::span<const std::string> a) {
  Filtered(proc, [&](kx::TKXFtImage& ft) { ft.HiPass(*ParseInt(a[0])); });
}
void RunClearZone(kx::TKestrixProc& proc, std::span<const std::string> a) {
  Filtered(proc, [&](kx::TKXFtImage& ft) {
    ft.ClearZone(*ParseInt(a[0]), *ParseInt(a[1]), *ParseInt(a[2]), *ParseInt(a[3]));
  });
}

const TToolOperation kFourierOperations[] = {
    {"FTDisplay", "rgb|gray", 1, ValidDisplay, RunDisplay},
    {"FTLowPass", "RADIUS", 1, ValidInts, RunLowPass},
    {"FTHighPass", "RADIUS", 1, ValidInts, RunHighPass},
    {"FTClearZone", "X1 Y1 X2 Y2", 4, ValidInts, RunClearZone},
};

}  // namespace

std::span<const TToolOperation> FourierToolOperations() { return kFourierOperations; }

}  // namespace kestrix
