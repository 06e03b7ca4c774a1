// TBitmap: the picture every component holds. One contiguous bottom-up block of rows, each
// padded to 4 bytes; ScanLine(0) is the top row.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "imaging/core/types.h"
#include "platform/memory.h"

namespace kx {

class TCanvas;

// ScanLine was asked for a row outside 0..Height.
class EInvalidGraphicOperation : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A size above the process-wide pixel limit was asked for.
class EPixelLimit : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBitmap {
 public:
  TBitmap();
  TBitmap(int32_t width, int32_t height, TPixelFormat pf = pf24bit);
  ~TBitmap();
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);

  int32_t Width() const { return fWidth; }
  int32_t Height() const { return fHeight; }
  bool Empty() const { return fWidth == 0 || fHeight == 0; }
  // Resizing keeps the pixels that still fit (top-left anchored) and zero-fills the rest.
  // Throws EPixelLimit above the pixel limit; negative sizes count as 0.
  void SetWidth(int32_t width) { SetSize(width, fHeight); }
  void SetHeight(int32_t height) { SetSize(fWidth, height); }
  void SetSize(int32_t width, int32_t height);

  TPixelFormat PixelFormat() const { return fFormat; }
  // Converts the picture in place so that it looks the same in the new format.
  void SetPixelFormat(TPixelFormat pf);
  int32_t BitCount() const;

  // Address of row `row` (0 = top), for 0 <= row <= Height; anything else throws
  // EInvalidGraphicOperation("Scan line index out of range"). Row Height lies one row before
  // the block: it is reserved memory, so ScanLine(1) - ScanLine(0) works on a 1-row bitmap.
  uint8_t* ScanLine(int32_t row);
  const uint8_t* ScanLine(int32_t row) const;
  // ScanLine(1) - ScanLine(0): the negated row length.
  intptr_t Stride() const { return -intptr_t(fRowLen); }
  int32_t RowLen() const { return fRowLen; }
  // Start of the block: the bottom row. Height x RowLen bytes.
  uint8_t* Bits() { return fBlock.get() + fRowLen; }
  const uint8_t* Bits() const { return fBlock.get() + fRowLen; }

  // Colour table of 1-, 4- and 8-bit pictures (black/white, the 16 standard colours, the gray
  // ramp by default); empty for the other formats.
  const std::vector<TRGB>& Palette() const { return fPalette; }
  void SetPalette(std::vector<TRGB> palette);

  void Assign(const TBitmap& source);
  // Exchanges the pictures (size, format, block, colour table) without copying a pixel. Each
  // bitmap keeps its own canvas, which always draws into the bitmap that owns it.
  void Swap(TBitmap& other) noexcept;
  // Becomes width x height in its own format on the block it already has, when that block is
  // large enough; false, changing nothing, otherwise. The pixel bytes keep whatever they held,
  // for callers that write every one of them (a fresh block would cost zeroing pages that are
  // overwritten at once); the padding at the row ends is cleared.
  bool RecycleBlock(int32_t width, int32_t height);
  TCanvas& Canvas();
  // Pixel access for one pixel in any format (slow; for tests and tools).
  TRGB GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, TRGB c);

 private:
  void Allocate(int32_t width, int32_t height, TPixelFormat pf, bool keep);

  int32_t fWidth = 0;
  int32_t fHeight = 0;
  TPixelFormat fFormat = pf24bit;
  int32_t fRowLen = 0;
  TBlock fBlock;  // guard row, then Height rows bottom-up
  std::vector<TRGB> fPalette;
  std::unique_ptr<TCanvas> fCanvas;
};

// Default colour table for an indexed format.
std::vector<TRGB> DefaultPalette(TPixelFormat pf);

}  // namespace kx
