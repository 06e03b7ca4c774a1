// The nearest-pixel stretch. One table maps destination columns to source byte offsets; each
// destination row reads one source row through it, and a row that maps to the same source row
// as the row above is copied from it instead.
#include "imaging/proc/dib_draw.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/pixel_rows.h"

namespace kx {

namespace {

// Source index of destination index i of a span of `dw` pixels covering `sw` source pixels.
int64_t SourceIndex(int64_t i, int64_t sw, int64_t dw) { return int64_t(__int128(2 * i + 1) * sw / (2 * dw)); }

struct TAxis {
  int64_t First = 0, Last = 0;  // destination range drawn, [First, Last)
  bool Empty() const { return Last <= First; }
};

// Destination pixels of one axis inside the target and mapped inside the source.
TAxis ClipAxis(int64_t dl, int64_t dw, int32_t destSize, int64_t sl, int64_t sw, int32_t sourceSize) {
  TAxis a{std::max<int64_t>(dl, 0), std::min<int64_t>(dl + dw, destSize)};
  while (!a.Empty() && sl + SourceIndex(a.First - dl, sw, dw) < 0) ++a.First;
  while (!a.Empty() && sl + SourceIndex(a.Last - 1 - dl, sw, dw) >= sourceSize) --a.Last;
  return a;
}

}  // namespace

void KXDrawDib(TBitmap& dest, const TRect& destRect, const TBitmap& source, const TRect& sourceRect) {
  const int bits = source.BitCount();
  if (bits != 24 && bits != 1) return;
  const int64_t dw = int64_t(destRect.Right) - destRect.Left, dh = int64_t(destRect.Bottom) - destRect.Top;
  const int64_t sw = int64_t(sourceRect.Right) - sourceRect.Left, sh = int64_t(sourceRect.Bottom) - sourceRect.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || source.Empty() || dest.Empty()) return;
  const TAxis cols = ClipAxis(destRect.Left, dw, dest.Width(), sourceRect.Left, sw, source.Width());
  const TAxis rows = ClipAxis(destRect.Top, dh, dest.Height(), sourceRect.Top, sh, source.Height());
  if (cols.Empty() || rows.Empty()) return;

  const size_t count = size_t(cols.Last - cols.First);
  std::vector<int32_t> xmap(count);  // 24 bits: byte offset; 1 bit: pixel index
  for (size_t i = 0; i < count; ++i) {
    const int64_t sx = sourceRect.Left + SourceIndex(int64_t(cols.First) + int64_t(i) - destRect.Left, sw, dw);
    xmap[i] = int32_t(bits == 24 ? sx * 3 : sx);
  }

  const bool direct = dest.BitCount() == 24;
  std::vector<TRGB> line(direct ? 0 : count);
  TPixelRowCodec encoder(dest.PixelFormat(), dest.Palette());
  int64_t lastSourceRow = -1;
  uint8_t* lastRow = nullptr;
  for (int64_t y = rows.First; y < rows.Last; ++y) {
    const int64_t sy = sourceRect.Top + SourceIndex(y - destRect.Top, sh, dh);
    uint8_t* drow = dest.ScanLine(int32_t(y));
    if (direct && sy == lastSourceRow) {
      std::memcpy(drow + cols.First * 3, lastRow + cols.First * 3, count * 3);
      continue;
    }
    const uint8_t* srow = source.ScanLine(int32_t(sy));
    uint8_t* out = direct ? drow + cols.First * 3 : reinterpret_cast<uint8_t*>(line.data());
    if (bits == 24) {
      for (size_t i = 0; i < count; ++i) std::memcpy(out + 3 * i, srow + xmap[i], 3);
    } else {
      for (size_t i = 0; i < count; ++i) {
        const uint8_t v = (srow[xmap[i] >> 3] >> (7 - (xmap[i] & 7))) & 1 ? 255 : 0;
        out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = v;
      }
    }
    if (!direct) encoder.Encode(line.data(), drow, int32_t(cols.First), int32_t(count));
    lastSourceRow = sy;
    lastRow = drow;
  }
}

TKXRowFit::TKXRowFit(int32_t sourceWidth, int32_t sourceHeight, TBitmap& dest)
    : fDest(dest), fSourceHeight(sourceHeight), fColumns(size_t(std::max(dest.Width(), 0))) {
  for (size_t x = 0; x < fColumns.size(); ++x)
    fColumns[x] = int32_t(SourceIndex(int64_t(x), sourceWidth, dest.Width()) * 3);
}

void TKXRowFit::AddRow(int32_t y, const uint8_t* row) {
  const int32_t height = fDest.Height();
  const size_t count = fColumns.size();
  const uint8_t* first = nullptr;
  for (; fNextRow < height && SourceIndex(fNextRow, fSourceHeight, height) == y; ++fNextRow) {
    uint8_t* out = fDest.ScanLine(fNextRow);
    if (first) {
      std::memcpy(out, first, count * 3);
      continue;
    }
    for (size_t i = 0; i < count; ++i) std::memcpy(out + 3 * i, row + fColumns[i], 3);
    first = out;
  }
}

void TKXRowFit::ClearRest() {
  for (; fNextRow < fDest.Height(); ++fNextRow) std::memset(fDest.ScanLine(fNextRow), 0, fColumns.size() * 3);
}

}  // namespace kx
