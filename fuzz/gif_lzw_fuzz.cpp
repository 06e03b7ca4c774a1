// Fuzzes the GIF LZW decoder alone: the first two bytes choose the image size and interlacing,
// the rest is the minimum code size and the data sub-blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/stream.h"
#include "imaging/io/lzw/lzw_coders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t width = 1 + data[0] % 64, height = 1 + (data[1] & 0x7F) % 64;
  const bool interlaced = data[1] & 0x80;
  kx::TMemoryStream stream(std::vector<uint8_t>(data + 2, data + size));
  std::vector<uint8_t> indices(size_t(width * height), 0xEE);
  const bool whole = kx::KXGifLZWDecode(stream, height, width, interlaced, indices.data());
  if (stream.Position() > stream.Size()) __builtin_trap();
  // A decoded image encodes and decodes back to itself.
  if (whole) {
    kx::TMemoryStream coded;
    kx::KXGifLZWEncode(coded, height, width, interlaced, indices.data(), 8);
    coded.SetPosition(0);
    std::vector<uint8_t> again(indices.size());
    if (!kx::KXGifLZWDecode(coded, height, width, interlaced, again.data()) || again != indices) __builtin_trap();
  }
  return 0;
}
