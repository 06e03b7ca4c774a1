// Fuzzes the DIB reader. The first byte splits the input: below 128 the rest is one block;
// otherwise the block is the first (byte - 127) x 8 bytes of the rest and what follows is the
// separate pixel data of the YUV codes. A refused block leaves the target exactly as it was; an
// accepted one is a 1- or 24-bit picture that exports and reads back to the same pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/proc/dib.h"

namespace {

bool SamePixels(const kx::TBitmap& a, const kx::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const size_t bytes = (size_t(a.Width()) * size_t(a.BitCount()) + 7) / 8;
  for (int32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keeps every decoded picture well inside the fuzzer's memory budget.
  kx::KXSetPixelLimit(int64_t(1) << 22);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::span<const uint8_t> rest(data + 1, size - 1);
  std::span<const uint8_t> dib = rest, pixels;
  if (data[0] >= 128) {
    const size_t split = std::min(rest.size(), size_t(data[0] - 127) * 8);
    dib = rest.first(split);
    pixels = rest.subspan(split);
  }

  kx::TBitmap target(3, 2, kx::pf24bit);
  target.SetPixel(1, 1, kx::CreateRGB(9, 8, 7));
  const kx::TBitmap before = target;
  const int32_t bits = kx::_CopyDIB2Bitmap(dib, target, pixels);
  if (bits == 0) {
    if (!SamePixels(target, before)) __builtin_trap();
    return 0;
  }
  if (target.Empty() || (target.BitCount() != 1 && target.BitCount() != 24)) __builtin_trap();
  if (int64_t(target.Width()) * target.Height() > (int64_t(1) << 16)) return 0;
  kx::TBitmap back;
  if (kx::_CopyDIB2Bitmap(kx::_CopyBitmaptoDIB(target, 0, 0, 0, 0), back) != target.BitCount() ||
      !SamePixels(back, target))
    __builtin_trap();
  return 0;
}
