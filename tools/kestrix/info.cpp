// `kestrix info FILE`: the parameters a reader finds in a file, one Name=Value line each.
#include <cstdio>
#include <string>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/ioparams_fields.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/multi_image_formats.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {

int RunInfo(const TCommandLine& cl) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadPicture(cl.Files[0], bitmap, params, true, cl.Quiet);
  // The tool counts the pages a TIFF file holds, whatever its page-number tag says.
  if (params.FileType == kx::ioTIFF && cl.Files[0] != "-")
    params.TIFF_PageCount = MultiImageFormat(kx::ioTIFF)->Count(cl.Files[0]);
  std::string text;
  for (const kx::TIOParamField& field : kx::IOParamFields())
    text += std::string(field.Name) + "=" + field.Get(params) + "\n";
  if (params.FileType == kx::ioGIF) text += "ImageCount=" + std::to_string(kx::EnumGifIm(cl.Files[0])) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace kestrix
