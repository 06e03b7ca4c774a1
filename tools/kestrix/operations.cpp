// The dispatch table of `convert --do`: each row runs one operation of the processing
// component on the picture, with its arguments parsed from the command line.
#include "tools/kestrix/operations.h"

#include <charconv>
#include <optional>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/proc/proc.h"

namespace kestrix {
namespace {

std::optional<int32_t> ParseInt(const std::string& s) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

template <typename E, size_t N>
std::optional<E> ParseName(const std::string& s, const std::string_view (&names)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (s == names[i]) return E(i);
  return std::nullopt;
}

constexpr std::string_view kFilters[] = {"rfNone",    "rfTriangle", "rfHermite", "rfBell",
                                         "rfBSpline", "rfLanczos3", "rfMitchell"};
constexpr std::string_view kFlipDirs[] = {"fdHorizontal", "fdVertical"};
constexpr std::string_view kBools[] = {"false", "true"};

// A processing component working on the tool's picture, reporting to the tool's handler.
struct TProc {
  kx::TKestrixProc proc;
  TProc(kx::TBitmap& bitmap, kx::TProgressRec& progress) {
    proc.SetAutoUndo(false);
    proc.SetAttachedBitmap(&bitmap);
    proc.OnProgress = progress.fOnProgress;
  }
};

bool ValidResample(std::span<const std::string> a) {
  return ParseInt(a[0]) && ParseInt(a[1]) && ParseName<kx::TResampleFilter>(a[2], kFilters);
}
void RunResample(kx::TBitmap& b, std::span<const std::string> a, kx::TProgressRec& p) {
  TProc(b, p).proc.Resample(*ParseInt(a[0]), *ParseInt(a[1]), *ParseName<kx::TResampleFilter>(a[2], kFilters));
}

bool ValidImageResize(std::span<const std::string> a) { return ParseInt(a[0]) && ParseInt(a[1]); }
void RunImageResize(kx::TBitmap& b, std::span<const std::string> a, kx::TProgressRec& p) {
  TProc(b, p).proc.ImageResize(*ParseInt(a[0]), *ParseInt(a[1]));
}

bool ValidRotate(std::span<const std::string> a) { return ParseInt(a[0]) && ParseName<bool>(a[1], kBools); }
void RunRotate(kx::TBitmap& b, std::span<const std::string> a, kx::TProgressRec& p) {
  TProc(b, p).proc.Rotate(*ParseInt(a[0]), *ParseName<bool>(a[1], kBools));
}

bool ValidFlip(std::span<const std::string> a) { return bool(ParseName<kx::TFlipDir>(a[0], kFlipDirs)); }
void RunFlip(kx::TBitmap& b, std::span<const std::string> a, kx::TProgressRec& p) {
  TProc(b, p).proc.Flip(*ParseName<kx::TFlipDir>(a[0], kFlipDirs));
}

const std::vector<TToolOperation> kOperations = {
    {"Resample", "WIDTH HEIGHT rfNone|rfTriangle|rfHermite|rfBell|rfBSpline|rfLanczos3|rfMitchell", 3, ValidResample,
     RunResample},
    {"ImageResize", "WIDTH HEIGHT", 2, ValidImageResize, RunImageResize},
    {"Rotate", "ANGLE false|true", 2, ValidRotate, RunRotate},
    {"Flip", "fdHorizontal|fdVertical", 1, ValidFlip, RunFlip},
};

}  // namespace

std::span<const TToolOperation> ToolOperations() { return kOperations; }

const TToolOperation* FindToolOperation(std::string_view name) {
  for (const TToolOperation& op : kOperations)
    if (op.Name == name) return &op;
  return nullptr;
}

}  // namespace kestrix
