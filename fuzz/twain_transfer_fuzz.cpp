// Fuzzes what a scanner source hands over: memory-transfer strips of any geometry, depth and
// buffer length copied into a bitmap of any size, and the packed DIB of a native transfer. Every
// strip's bytes sit in a block of exactly the length it claims, so a read past it is caught.
//
// Input: one byte of kind (even: strips, odd: a DIB, the rest of the input). Strips: a depth
// byte (low 3 bits pick the depth, bit 7 gives the bitmap the other format), width and height
// (u16 each, taken modulo 1024, plus 1), then up to 16 records of Columns, Rows, XOffset, YOffset,
// BytesPerRow and a length (u32 each, little-endian) followed by that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/scan/twain_transfer.h"

namespace {

class TInput {
 public:
  TInput(const uint8_t* data, size_t size) : fData(data), fSize(size) {}
  size_t Left() const { return fSize - fPos; }
  uint8_t Byte() { return fPos < fSize ? fData[fPos++] : 0; }
  uint32_t U16() { return Byte() | uint32_t(Byte()) << 8; }
  uint32_t U32() { return U16() | U16() << 16; }
  std::vector<uint8_t> Bytes(size_t n) {
    n = n < Left() ? n : Left();
    std::vector<uint8_t> out(fData + fPos, fData + fPos + n);
    fPos += n;
    return out;
  }

 private:
  const uint8_t* fData;
  size_t fSize;
  size_t fPos = 0;
};

constexpr int32_t kDepths[8] = {1, 8, 16, 24, 48, 4, 32, 0};

void FuzzStrips(TInput& in) {
  const uint8_t depth = in.Byte();
  const int32_t bits = kDepths[depth & 7];
  const int32_t width = int32_t(in.U16() % 1024) + 1;
  const int32_t height = int32_t(in.U16() % 1024) + 1;
  const bool oneBit = (bits == 1) != bool(depth & 0x80);
  kx::TBitmap bitmap(width, height, oneBit ? kx::pf1bit : kx::pf24bit);
  for (int i = 0; i < 16 && in.Left() > 0; ++i) {
    kx::TW_IMAGEMEMXFER strip{};
    strip.Columns = in.U32();
    strip.Rows = in.U32();
    strip.XOffset = in.U32();
    strip.YOffset = in.U32();
    strip.BytesPerRow = in.U32();
    const uint32_t length = in.U32();
    const std::vector<uint8_t> buffer = in.Bytes(length);
    // The exact block, so that the sanitizer sees every byte read beyond it.
    std::vector<uint8_t> block(buffer.begin(), buffer.end());
    block.shrink_to_fit();
    kx::KXTWCopyStrip(bitmap, bits, strip, block.empty() ? nullptr : block.data(), block.size());
  }
}

void FuzzDib(TInput& in) {
  const std::vector<uint8_t> dib = in.Bytes(in.Left());
  kx::TBitmap bitmap;
  if (kx::KXTWCopyNativeImage(dib.empty() ? nullptr : dib.data(), dib.size(), bitmap)) {
    if (bitmap.PixelFormat() != kx::pf1bit && bitmap.PixelFormat() != kx::pf24bit) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kx::KXSetPixelLimit(int64_t(1) << 22);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TInput in(data, size);
  if (in.Byte() % 2 == 0)
    FuzzStrips(in);
  else
    FuzzDib(in);
  return 0;
}
