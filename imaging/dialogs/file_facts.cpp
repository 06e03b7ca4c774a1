// The facts texts. Sizes are 64-bit: a large picture's memory exceeds 2 GiB.
#include "imaging/dialogs/file_facts.h"

#include <algorithm>

#include "imaging/core/words.h"
#include "imaging/io/ioparams.h"

namespace kx {

std::string KXByteSizeText(int64_t bytes) {
  return bytes > 1023 ? std::to_string(bytes / 1024) + " Kb" : std::to_string(bytes) + " bytes";
}

std::string KXColorCountText(int32_t bits) {
  if (bits >= 24) return "16777216";
  if (bits <= 0) return "1";
  return std::to_string(int64_t(1) << bits);
}

TKXFileFacts KXFileFacts(const TIOParamsVals* params, int32_t frames, int64_t fileSize, TMsgLanguage language) {
  if (!params) return {};
  const TIOParamsVals& p = *params;
  TKXFileFacts facts;
  facts.Dimensions = std::to_string(p.Width) + " x " + std::to_string(p.Height) + " pixel";
  if (frames > 1) facts.Dimensions += " , " + std::to_string(frames) + " frames";
  const int32_t bits = p.SamplesPerPixel * p.BitsPerSample;
  facts.Colors = KXColorCountText(bits) + " " + kxmsg(KXMSG_COLORS, language) + " (" + std::to_string(bits) + " bit)";
  facts.Resolution = std::to_string(p.DpiX) + " x " + std::to_string(p.DpiY) + " dpi";
  facts.Type = p.GetFileTypeStr();
  // Pictures are held at 24 bits, black-and-white ones at one; rows are padded to 4 bytes.
  const int64_t bitsPerPixel = p.SamplesPerPixel == 1 && p.BitsPerSample == 1 ? 1 : 24;
  const int64_t rowBytes = (int64_t(p.Width) * bitsPerPixel + 31) / 32 * 4;
  const int64_t memory = rowBytes * p.Height * std::max<int64_t>(frames, 1);
  facts.Sizes = "File: " + KXByteSizeText(fileSize) + "   Mem: " + KXByteSizeText(memory);
  return facts;
}

}  // namespace kx
