// The multi-picture rows. Failures throw EFileFailure naming the file and the reason.
#include "tools/kestrix/multi_image_formats.h"

#include <climits>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {
namespace {

// Inserts the picture of `in` into `file` at `position` of the index field `index`, with the
// parameters the picture was read with.
int32_t InsertWith(const std::string& file, const std::string& in,
                   int32_t (kx::TKestrixIO::*insert)(const std::string&), int32_t kx::TIOParamsVals::*index,
                   int32_t position) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadPicture(in, bitmap, params, false, true);
  params.*index = position;
  kx::TKestrixIO io;
  io.SetAttachedBitmap(&bitmap);
  io.AssignParams(&params);
  const int32_t pages = (io.*insert)(file);
  if (io.Aborting()) {
    const std::string reason = io.Diagnostics().Reason;
    throw EFileFailure(ShownName(file, true) + ": cannot take a further page" + (reason.empty() ? "" : ": " + reason));
  }
  return pages;
}

int32_t TiffCount(const std::string& file) { return kx::EnumTIFFIm(file); }

int32_t TiffInsert(const std::string& file, const std::string& in) {
  // Any index past the last page appends.
  return InsertWith(file, in, &kx::TKestrixIO::InsertToFileTIFF, &kx::TIOParamsVals::TIFF_ImageIndex, INT32_MAX);
}

int32_t TiffDelete(const std::string& file, int32_t index) {
  const int32_t pages = kx::DeleteTIFFIm(file, index);
  if (pages == 0) throw EFileFailure(ShownName(file, true) + ": its pages cannot be rewritten");
  return pages;
}

int32_t GifCount(const std::string& file) { return kx::EnumGifIm(file); }

int32_t GifInsert(const std::string& file, const std::string& in) {
  // The GIF editor appends at exactly the image count.
  return InsertWith(file, in, &kx::TKestrixIO::InsertToFileGif, &kx::TIOParamsVals::GIF_ImageIndex,
                    kx::EnumGifIm(file));
}

// The GIF editor answers with the images left; an index past them is not written at all.
int32_t GifDelete(const std::string& file, int32_t index) {
  const int32_t images = kx::EnumGifIm(file);
  if (images == 0) throw EFileFailure(ShownName(file, true) + ": its images cannot be read");
  if (index >= images) return images;
  kx::DeleteGifIm(file, index);
  if (kx::EnumGifIm(file) != images - 1) throw EFileFailure(ShownName(file, true) + ": its images cannot be rewritten");
  return images;
}

const TMultiImageFormat kFormats[] = {
    {kx::ioTIFF, &TiffCount, &TiffInsert, &TiffDelete},
    {kx::ioGIF, &GifCount, &GifInsert, &GifDelete},
};

}  // namespace

std::span<const TMultiImageFormat> MultiImageFormats() { return kFormats; }

const TMultiImageFormat* MultiImageFormat(kx::TIOFileType fileType) {
  for (const TMultiImageFormat& f : kFormats)
    if (f.FileType == fileType) return &f;
  return nullptr;
}

}  // namespace kestrix
