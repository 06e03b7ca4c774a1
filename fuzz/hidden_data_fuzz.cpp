// Fuzzes the hidden-data reader over arbitrary pixel rows: the first byte picks the picture's
// width (1 to 64 pixels), the rest fills its rows top first. A length the reader reports lies
// within the picture's capacity, reading copies no more than it was given room for, and hiding
// the payload it found in a fresh picture of the same size reads back the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/proc/hidden_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t width = 1 + data[0] % 64;
  const size_t rowBytes = size_t(width) * 3;
  const int32_t height = int32_t(std::min<size_t>((size - 1) / rowBytes, 256));
  if (height == 0) return 0;
  kx::TBitmap picture(width, height, kx::pf24bit);
  for (int32_t y = 0; y < height; ++y) std::memcpy(picture.ScanLine(y), data + 1 + size_t(y) * rowBytes, rowBytes);

  const int32_t space = kx::_HiddenDataSpace(picture);
  const int32_t n = kx::_ReadHiddenData(picture, {});
  if (n < 0 || n > space) __builtin_trap();
  // One guard byte past the room given must stay as it was.
  const size_t room = size % 7 == 0 ? size_t(n) : size_t(n) / 2;
  std::vector<uint8_t> payload(room + 1, 0xA5);
  if (kx::_ReadHiddenData(picture, {payload.data(), room}) != n || payload[room] != 0xA5) __builtin_trap();
  payload.resize(room);

  kx::TBitmap fresh(width, height, kx::pf24bit);
  // Only a picture too small for the header refuses, and then nothing was found in it either.
  if (!kx::_WriteHiddenData(fresh, payload)) {
    if (!payload.empty()) __builtin_trap();
    return 0;
  }
  std::vector<uint8_t> back(payload.size());
  if (kx::_ReadHiddenData(fresh, back) != int32_t(payload.size()) || back != payload) __builtin_trap();
  return 0;
}
