// `kestrix pages FILE [--insert IN | --delete N]`: the pictures of a multi-picture file, one
// line each (index, size, bits per pixel, format and compression), or the file extended by one
// picture or shortened by one.
#include <cstdio>
#include <string>

#include "imaging/core/bitmap.h"
#include "imaging/io/format_registry.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/multi_image_formats.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {

int RunPages(const TCommandLine& cl) {
  const std::string& file = cl.Files[0];
  const kx::TIOFileType type = kx::FindFileFormat(file, false);
  const TMultiImageFormat* format = MultiImageFormat(type);
  if (!format) throw EFileFailure(ShownName(file, false) + ": not a file of several pictures this tool knows");
  if (!cl.PagesInsert.empty()) {
    std::printf("%d pages\n", format->Insert(file, cl.PagesInsert));
    return 0;
  }
  if (cl.PagesDelete >= 0) {
    const int32_t before = format->Delete(file, cl.PagesDelete);
    if (cl.PagesDelete >= before)
      throw EFileFailure(ShownName(file, false) + ": has no page " + std::to_string(cl.PagesDelete));
    std::printf("%d pages\n", before - 1);
    return 0;
  }
  const int32_t count = format->Count(file);
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    kx::TBitmap bitmap;
    kx::TIOParamsVals params;
    params.TIFF_ImageIndex = i;
    params.GIF_ImageIndex = i;
    LoadPicture(file, bitmap, params, true, true);
    text += std::to_string(i) + "\t" + std::to_string(params.Width) + " x " + std::to_string(params.Height) + "\t" +
            std::to_string(params.BitsPerSample * params.SamplesPerPixel) + " bits\t" + params.GetFileTypeStr() + "\n";
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace kestrix
