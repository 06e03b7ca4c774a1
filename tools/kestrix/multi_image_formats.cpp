// The multi-picture rows. Failures throw EFileFailure naming the file and the reason.
#include "tools/kestrix/multi_image_formats.h"

#include <climits>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {
namespace {

int32_t TiffCount(const std::string& file) { return kx::EnumTIFFIm(file); }

int32_t TiffInsert(const std::string& file, const std::string& in) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadPicture(in, bitmap, params, false, true);
  params.TIFF_ImageIndex = INT32_MAX;
  kx::TKestrixIO io;
  io.SetAttachedBitmap(&bitmap);
  io.AssignParams(&params);
  const int32_t pages = io.InsertToFileTIFF(file);
  if (io.Aborting()) {
    const std::string reason = io.Diagnostics().Reason;
    throw EFileFailure(ShownName(file, true) + ": cannot take a further page" + (reason.empty() ? "" : ": " + reason));
  }
  return pages;
}

int32_t TiffDelete(const std::string& file, int32_t index) {
  const int32_t pages = kx::DeleteTIFFIm(file, index);
  if (pages == 0) throw EFileFailure(ShownName(file, true) + ": its pages cannot be rewritten");
  return pages;
}

const TMultiImageFormat kFormats[] = {
    {kx::ioTIFF, &TiffCount, &TiffInsert, &TiffDelete},
};

}  // namespace

std::span<const TMultiImageFormat> MultiImageFormats() { return kFormats; }

const TMultiImageFormat* MultiImageFormat(kx::TIOFileType fileType) {
  for (const TMultiImageFormat& f : kFormats)
    if (f.FileType == fileType) return &f;
  return nullptr;
}

}  // namespace kestrix
