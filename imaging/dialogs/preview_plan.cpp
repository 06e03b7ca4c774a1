#include "imaging/dialogs/preview_plan.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "imaging/io/format_registry.h"

namespace kx {

TKXPreviewPlan KXPlanPreview(const std::string& path) {
  TKXPreviewPlan plan;
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return plan;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return plan;
  plan.Open = true;
  plan.FileSize = int64_t(size);
  return plan;
}

bool KXMayHoldFrames(const std::string& fileName) {
  const std::string ext = KXLowerExtension(fileName);
  return ext == ".gif" || ext == ".tif" || ext == ".tiff" || ext == ".avi";
}

TIOJPEGScale KXPreviewJpegScale(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight) {
  static constexpr struct {
    int32_t Denominator;
    TIOJPEGScale Scale;
  } kReductions[] = {{8, ioJPEG_EIGHTH}, {4, ioJPEG_QUARTER}, {2, ioJPEG_HALF}};
  for (const auto& r : kReductions)
    if (width / r.Denominator >= boxWidth && height / r.Denominator >= boxHeight) return r.Scale;
  return ioJPEG_FULLSIZE;
}

int32_t KXPreviewWindowSide(int32_t pictureSide, int32_t screenSide) {
  return std::max(100, std::min(pictureSide, screenSide));
}

}  // namespace kx
