// The formats whose files hold several pictures, and how the tool counts, extends and shortens
// such files: one row per format, each function over file names.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/io/ioparams.h"

namespace kestrix {

struct TMultiImageFormat {
  kx::TIOFileType FileType;
  // The number of pictures in the file.
  int32_t (*Count)(const std::string& file);
  // Appends the picture of `in` as the file's last one; the new number of pictures.
  int32_t (*Insert)(const std::string& file, const std::string& in);
  // Removes picture `index` (0-based); the number of pictures there were.
  int32_t (*Delete)(const std::string& file, int32_t index);
};

std::span<const TMultiImageFormat> MultiImageFormats();
// The row of `fileType`, or null.
const TMultiImageFormat* MultiImageFormat(kx::TIOFileType fileType);

}  // namespace kestrix
