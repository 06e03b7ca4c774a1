// The facts the picture area shows about the selected file: dimensions, colours, resolution,
// type with its compression, and the sizes on disk and in memory.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/types.h"

namespace kx {

class TIOParamsVals;

struct TKXFileFacts {
  std::string Dimensions;  // "640 x 480 pixel", and " , 3 frames" with more than one
  std::string Colors;      // "16777216 Colors (24 bit)"
  std::string Resolution;  // "72 x 72 dpi"
  std::string Type;        // the type's name with its compression, "JPEG Bitmap (JPG) YCbCr"
  std::string Sizes;       // "File: 12 Kb   Mem: 900 Kb"
  friend bool operator==(const TKXFileFacts&, const TKXFileFacts&) = default;
};

// The facts of a parameter set read from a file of `fileSize` bytes holding `frames` pictures;
// all empty without a parameter set.
TKXFileFacts KXFileFacts(const TIOParamsVals* params, int32_t frames, int64_t fileSize, TMsgLanguage language);

// "1023 bytes" below 1024, else whole kilobytes: "1 Kb".
std::string KXByteSizeText(int64_t bytes);
// The colour count of a picture of `bits` bits per pixel, as shown: 2^bits, and 16777216 from
// 24 bits on (a true-colour picture shows as many colours as a screen can tell apart, whatever
// its alpha or sample depth).
std::string KXColorCountText(int32_t bits);

}  // namespace kx
