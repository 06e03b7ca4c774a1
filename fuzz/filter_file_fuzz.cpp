// Fuzzes the filter file reader: a refused file leaves the caller's record exactly as it was, and
// an accepted one is a record that filters a picture without trapping.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/proc/filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::TGraphFilter filter = kx::KXFiltPres[kx::fpBlur];
  const kx::TGraphFilter before = filter;
  kx::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  if (!kx::ReadFilterFromStream(stream, filter)) {
    if (!(filter == before)) __builtin_trap();
    return 0;
  }
  kx::TBitmap picture(5, 4, kx::pf24bit);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) picture.SetPixel(x, y, kx::CreateRGB(uint8_t(x * 50), uint8_t(y * 60), 255));
  kx::_ApplyFilter(picture, filter, 0, 0, 4, 3, kx::nullpr);
  return 0;
}
