// The bitmap: allocation of the bottom-up block, row addressing, palettes and the in-place
// conversion between pixel formats (through one 24-bit row at a time).
#include "imaging/core/bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "imaging/core/canvas.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixel_rows.h"
#include "imaging/core/pixelformat.h"

namespace kx {

std::vector<TRGB> DefaultPalette(TPixelFormat pf) {
  std::vector<TRGB> p;
  switch (pf) {
    case pf1bit:
      p = {CreateRGB(0, 0, 0), CreateRGB(255, 255, 255)};
      break;
    case pf4bit:
      p = {CreateRGB(0, 0, 0),       CreateRGB(128, 0, 0),   CreateRGB(0, 128, 0),   CreateRGB(128, 128, 0),
           CreateRGB(0, 0, 128),     CreateRGB(128, 0, 128), CreateRGB(0, 128, 128), CreateRGB(192, 192, 192),
           CreateRGB(128, 128, 128), CreateRGB(255, 0, 0),   CreateRGB(0, 255, 0),   CreateRGB(255, 255, 0),
           CreateRGB(0, 0, 255),     CreateRGB(255, 0, 255), CreateRGB(0, 255, 255), CreateRGB(255, 255, 255)};
      break;
    case pf8bit:
      p.resize(256);
      for (int i = 0; i < 256; ++i) p[size_t(i)] = CreateRGB(uint8_t(i), uint8_t(i), uint8_t(i));
      break;
    default:
      break;
  }
  return p;
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int32_t width, int32_t height, TPixelFormat pf) {
  fFormat = pf;
  fPalette = DefaultPalette(pf);
  Allocate(width, height, pf, false);
}

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) { Assign(other); }

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) Assign(other);
  return *this;
}

int32_t TBitmap::BitCount() const {
  int32_t bits = _Pixelformat2BitCount(fFormat);
  return bits ? bits : 24;
}

void TBitmap::Allocate(int32_t width, int32_t height, TPixelFormat pf, bool keep) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  int32_t bits = _Pixelformat2BitCount(pf);
  if (!bits) bits = 24;
  int64_t rowLen = width && height ? _BitmapRowLen64(width, bits) : 0;
  // Row addressing keeps the row length in 32 bits, so a row must fit there too.
  if (width && height && (!KXPixelsAllowed(width, height) || rowLen > INT32_MAX))
    throw EPixelLimit("Bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels is above the pixel limit");
  int64_t bytes = rowLen * (int64_t(height) + 1);
  TBlock block = KXAllocZeroedBlock(size_t(bytes));
  if (keep && fBlock && fFormat == pf) {
    // Only the pixels that stay are kept: old padding must not show up as pixels of a wider row.
    int64_t keptBits = int64_t(std::min(width, fWidth)) * bits;
    size_t whole = size_t(keptBits / 8);
    auto tailMask = uint8_t(0xFF00 >> (keptBits % 8));
    int32_t rows = std::min(height, fHeight);
    for (int32_t y = 0; y < rows; ++y) {
      uint8_t* to = block.get() + rowLen + (int64_t(height) - 1 - y) * rowLen;
      const uint8_t* from = ScanLine(y);
      std::memcpy(to, from, whole);
      if (tailMask) to[whole] = from[whole] & tailMask;
    }
  }
  fBlock = std::move(block);
  fWidth = width;
  fHeight = height;
  fRowLen = int32_t(rowLen);
  fFormat = pf;
}

bool TBitmap::RecycleBlock(int32_t width, int32_t height) {
  if (!fBlock || width <= 0 || height <= 0 || !KXPixelsAllowed(width, height)) return false;
  const int32_t bits = BitCount();
  const int64_t rowLen = _BitmapRowLen64(width, bits);
  if (rowLen > INT32_MAX || rowLen * (int64_t(height) + 1) > int64_t(fBlock.get_deleter().size)) return false;
  fWidth = width;
  fHeight = height;
  fRowLen = int32_t(rowLen);
  const size_t used = KXRowPixelBytes(width, bits);
  for (int32_t y = 0; y < height && used < size_t(rowLen); ++y)
    std::memset(ScanLine(y) + used, 0, size_t(rowLen) - used);
  return true;
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  if (width == fWidth && height == fHeight && fBlock) return;
  Allocate(width, height, fFormat, true);
}

void TBitmap::SetPalette(std::vector<TRGB> palette) { fPalette = std::move(palette); }

uint8_t* TBitmap::ScanLine(int32_t row) {
  return const_cast<uint8_t*>(static_cast<const TBitmap*>(this)->ScanLine(row));
}

const uint8_t* TBitmap::ScanLine(int32_t row) const {
  if (row < 0 || row > fHeight) throw EInvalidGraphicOperation("Scan line index out of range");
  static const uint8_t kEmpty[4] = {};
  if (!fBlock) return kEmpty;
  return fBlock.get() + int64_t(fRowLen) * (int64_t(fHeight) - row);
}

void TBitmap::SetPixelFormat(TPixelFormat pf) {
  if (pf == pfDevice || pf == pfCustom) pf = pf24bit;
  if (pf == fFormat) return;
  TBitmap converted(fWidth, fHeight, pf);
  if (!Empty()) {
    TPixelRowCodec from(fFormat, fPalette);
    TPixelRowCodec to(pf, converted.fPalette);
    std::vector<TRGB> row(static_cast<size_t>(fWidth));
    for (int32_t y = 0; y < fHeight; ++y) {
      from.Decode(ScanLine(y), row.data(), fWidth);
      to.Encode(row.data(), converted.ScanLine(y), fWidth);
    }
  }
  fBlock = std::move(converted.fBlock);
  fRowLen = converted.fRowLen;
  fFormat = pf;
  fPalette = std::move(converted.fPalette);
}

void TBitmap::Assign(const TBitmap& source) {
  if (this == &source) return;
  int64_t bytes = int64_t(source.fRowLen) * (int64_t(source.fHeight) + 1);
  // A picture of the same shape is copied into the block it has: a fresh block costs page
  // faults and zeroing that the copy overwrites at once (a live preview assigns every step).
  const bool sameShape = fBlock && source.fBlock && fRowLen == source.fRowLen && fHeight == source.fHeight;
  if (sameShape) {
    std::memcpy(fBlock.get(), source.fBlock.get(), size_t(bytes));
  } else {
    TBlock block = KXAllocZeroedBlock(size_t(bytes));
    if (source.fBlock) std::memcpy(block.get(), source.fBlock.get(), size_t(bytes));
    fBlock = std::move(block);
  }
  fWidth = source.fWidth;
  fHeight = source.fHeight;
  fRowLen = source.fRowLen;
  fFormat = source.fFormat;
  fPalette = source.fPalette;
}

void TBitmap::Swap(TBitmap& other) noexcept {
  std::swap(fWidth, other.fWidth);
  std::swap(fHeight, other.fHeight);
  std::swap(fFormat, other.fFormat);
  std::swap(fRowLen, other.fRowLen);
  std::swap(fBlock, other.fBlock);
  std::swap(fPalette, other.fPalette);
}

TCanvas& TBitmap::Canvas() {
  if (!fCanvas) fCanvas = std::make_unique<TCanvas>(*this);
  return *fCanvas;
}

TRGB TBitmap::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= fWidth || y >= fHeight) return TRGB{};
  return TPixelRowCodec(fFormat, fPalette).DecodeOne(ScanLine(y), x);
}

void TBitmap::SetPixel(int32_t x, int32_t y, TRGB c) {
  if (x < 0 || y < 0 || x >= fWidth || y >= fHeight) return;
  TPixelRowCodec(fFormat, fPalette).EncodeOne(c, ScanLine(y), x);
}

}  // namespace kx
