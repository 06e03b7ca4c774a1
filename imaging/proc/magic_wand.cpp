// The magic wand in four steps: a span seed fill marks the region in a bit plane; its bounding
// box is copied out (grown by the maximum filter, coarsened when the grid would be too large);
// every box pixel becomes a 4 x 4 block of grid cells, and the empty cells that touch a block
// edge-on are the outline; the outline is walked from the cell nearest the top-left corner with
// an eight-direction trace whose direction changes are the polygon's vertices.
//
// The fourfold grid keeps the outer outline of a region apart from the outline of a hole (at
// least four cells of region lie between them), so the trace cannot leave the outer border.
// Cells inside the region are never looked at again once the outline is known, so the grid is
// one bit per cell: set for an outline cell that the trace has not yet passed.
#include "imaging/proc/magic_wand.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <utility>

#include "imaging/core/bitmap.h"

namespace kx {

namespace {

// One bit per cell, rows of whole 64-bit words; bits past the width stay clear.
class TBitPlane {
 public:
  TBitPlane(int64_t width, int64_t height)
      : fWidth(width), fHeight(height), fStride(width / 64 + 1), fWords(size_t(fStride * height), 0) {}

  int64_t Width() const { return fWidth; }
  int64_t Height() const { return fHeight; }
  int64_t Stride() const { return fStride; }
  uint64_t* Row(int64_t y) { return &fWords[size_t(y * fStride)]; }
  const uint64_t* Row(int64_t y) const { return &fWords[size_t(y * fStride)]; }
  bool Test(int64_t x, int64_t y) const { return (Row(y)[x >> 6] >> (x & 63)) & 1u; }
  void Set(int64_t x, int64_t y) { Row(y)[x >> 6] |= uint64_t(1) << (x & 63); }
  void Reset(int64_t x, int64_t y) { Row(y)[x >> 6] &= ~(uint64_t(1) << (x & 63)); }
  // Sets the bits left..right of row y.
  void SetRun(int64_t y, int64_t left, int64_t right) {
    uint64_t* row = Row(y);
    const int64_t first = left >> 6, last = right >> 6;
    const uint64_t head = ~uint64_t(0) << (left & 63), tail = ~uint64_t(0) >> (63 - (right & 63));
    if (first == last) {
      row[first] |= head & tail;
      return;
    }
    row[first] |= head;
    for (int64_t k = first + 1; k < last; ++k) row[k] = ~uint64_t(0);
    row[last] |= tail;
  }
  // The 64 bits of row y starting at bit x (bits past the row read as 0).
  uint64_t Bits64(int64_t y, int64_t x) const {
    const uint64_t* row = Row(y);
    const int64_t k = x >> 6, shift = x & 63;
    uint64_t v = row[k] >> shift;
    if (shift != 0 && k + 1 < fStride) v |= row[k + 1] << (64 - shift);
    return v;
  }
  // Clears the bits at and past the width, after whole-word writes.
  void TrimRows() {
    const uint64_t keep = (fWidth & 63) == 0 ? 0 : ~uint64_t(0) >> (64 - (fWidth & 63));
    for (int64_t y = 0; y < fHeight; ++y) {
      uint64_t* row = Row(y);
      row[fWidth >> 6] &= keep;
      for (int64_t k = (fWidth >> 6) + 1; k < fStride; ++k) row[k] = 0;
    }
  }

 private:
  int64_t fWidth, fHeight, fStride;
  std::vector<uint64_t> fWords;
};

struct TBox {
  int32_t left = 0, top = 0, right = -1, bottom = -1;
  int32_t Width() const { return right - left + 1; }
  int32_t Height() const { return bottom - top + 1; }
};

// The 4-connected region of similar pixels around the seed, by span seed fill.
class TRegionFill {
 public:
  TRegionFill(const TBitmap& bitmap, int32_t tolerance, TRGB seed)
      : fBitmap(bitmap), fWidth(bitmap.Width()), fRegion(bitmap.Width(), bitmap.Height()) {
    // Per-channel acceptance tables: a pixel is similar when all three accept it.
    for (int v = 0; v < 256; ++v) {
      fAccept[0][v] = std::abs(v - seed.b) <= tolerance;
      fAccept[1][v] = std::abs(v - seed.g) <= tolerance;
      fAccept[2][v] = std::abs(v - seed.r) <= tolerance;
    }
  }

  void Run(int32_t x, int32_t y) {
    const auto [left, right] = FillRun(y, x);
    fStack.push_back({y - 1, left, right, -1});
    fStack.push_back({y + 1, left, right, +1});
    const int32_t height = fBitmap.Height();
    while (!fStack.empty()) {
      const TSpan s = fStack.back();
      fStack.pop_back();
      if (s.row < 0 || s.row >= height) continue;
      fPixels = fBitmap.ScanLine(s.row);
      for (int32_t px = s.left; px <= s.right; ++px) {
        if (!Qualifies(s.row, px)) continue;
        const auto [l, r] = FillRun(s.row, px);
        fStack.push_back({s.row + s.dir, l, r, s.dir});
        // Where the run overhangs the row it came from, the far side of that row needs a look.
        if (l < s.left - 1) fStack.push_back({s.row - s.dir, l, s.left - 2, -s.dir});
        if (r > s.right + 1) fStack.push_back({s.row - s.dir, s.right + 2, r, -s.dir});
        px = r + 1;
      }
    }
  }

  const TBitPlane& Region() const { return fRegion; }
  const TBox& Box() const { return fBox; }

 private:
  struct TSpan {
    int32_t row, left, right, dir;
  };

  bool Qualifies(int32_t row, int32_t px) const {
    const uint8_t* p = fPixels + size_t(px) * 3;
    return fAccept[0][p[0]] && fAccept[1][p[1]] && fAccept[2][p[2]] && !fRegion.Test(px, row);
  }

  // Sets the maximal run of qualifying pixels through (px, row), which qualifies.
  std::pair<int32_t, int32_t> FillRun(int32_t row, int32_t px) {
    fPixels = fBitmap.ScanLine(row);
    int32_t l = px, r = px;
    while (l > 0 && Qualifies(row, l - 1)) --l;
    while (r + 1 < fWidth && Qualifies(row, r + 1)) ++r;
    fRegion.SetRun(row, l, r);
    if (fBox.right < 0) fBox = {l, row, r, row};
    fBox.left = std::min(fBox.left, l);
    fBox.right = std::max(fBox.right, r);
    fBox.top = std::min(fBox.top, row);
    fBox.bottom = std::max(fBox.bottom, row);
    return {l, r};
  }

  const TBitmap& fBitmap;
  int32_t fWidth;
  const uint8_t* fPixels = nullptr;
  bool fAccept[3][256];
  TBitPlane fRegion;
  TBox fBox;
  std::vector<TSpan> fStack;
};

// The region's bounding box as its own plane.
TBitPlane CopyBox(const TBitPlane& region, const TBox& box) {
  TBitPlane mask(box.Width(), box.Height());
  for (int64_t i = 0; i < mask.Height(); ++i) {
    uint64_t* row = mask.Row(i);
    for (int64_t k = 0; k * 64 < mask.Width(); ++k) row[k] = region.Bits64(box.top + i, box.left + k * 64);
  }
  mask.TrimRows();
  return mask;
}

// Each set bit becomes its 3 x 3 block, limited to the plane.
TBitPlane Dilate(const TBitPlane& mask) {
  const int64_t words = mask.Stride();
  std::vector<uint64_t> spread(size_t(words * mask.Height()));
  for (int64_t i = 0; i < mask.Height(); ++i) {
    const uint64_t* row = mask.Row(i);
    uint64_t* out = &spread[size_t(i * words)];
    for (int64_t k = 0; k < words; ++k) {
      const uint64_t fromLeft = k > 0 ? row[k - 1] >> 63 : 0, fromRight = k + 1 < words ? row[k + 1] << 63 : 0;
      out[k] = row[k] | (row[k] << 1) | fromLeft | (row[k] >> 1) | fromRight;
    }
  }
  TBitPlane grown(mask.Width(), mask.Height());
  for (int64_t i = 0; i < mask.Height(); ++i) {
    uint64_t* out = grown.Row(i);
    for (int64_t di = -1; di <= 1; ++di) {
      if (i + di < 0 || i + di >= mask.Height()) continue;
      const uint64_t* in = &spread[size_t((i + di) * words)];
      for (int64_t k = 0; k < words; ++k) out[k] |= in[k];
    }
  }
  grown.TrimRows();
  return grown;
}

// One bit per k x k block of pixels: set when any pixel of the block is.
TBitPlane Coarsen(const TBitPlane& mask, int64_t k) {
  TBitPlane coarse((mask.Width() + k - 1) / k, (mask.Height() + k - 1) / k);
  for (int64_t i = 0; i < mask.Height(); ++i) {
    for (int64_t j = 0; j < mask.Width(); ++j) {
      if (mask.Test(j, i)) coarse.Set(j / k, i / k);
    }
  }
  return coarse;
}

int64_t GridCells(int64_t w, int64_t h) { return (4 * w + 4) * (4 * h + 4); }

// Marks the outline: the empty cells that share an edge with a pixel's block. Pixel (j, i)
// covers the cells 4j + 2..4j + 5 of the rows 4i + 2..4i + 5.
TBitPlane MarkOutline(const TBitPlane& mask) {
  TBitPlane grid(4 * mask.Width() + 4, 4 * mask.Height() + 4);
  const int64_t words = mask.Stride();
  for (int64_t i = 0; i < mask.Height(); ++i) {
    const uint64_t* row = mask.Row(i);
    const uint64_t* up = i > 0 ? mask.Row(i - 1) : nullptr;
    const uint64_t* down = i + 1 < mask.Height() ? mask.Row(i + 1) : nullptr;
    for (int64_t k = 0; k < words; ++k) {
      const uint64_t m = row[k];
      if (m == 0) continue;
      const uint64_t leftNeighbour = (m << 1) | (k > 0 ? row[k - 1] >> 63 : 0);
      const uint64_t rightNeighbour = (m >> 1) | (k + 1 < words ? row[k + 1] << 63 : 0);
      const uint64_t edges[4] = {m & ~(up ? up[k] : 0), m & ~(down ? down[k] : 0), m & ~leftNeighbour,
                                 m & ~rightNeighbour};
      for (int side = 0; side < 4; ++side) {
        for (uint64_t e = edges[side]; e != 0; e &= e - 1) {
          const int64_t j = k * 64 + std::countr_zero(e);
          const int64_t c = 4 * j + 2, r = 4 * i + 2;
          for (int64_t t = 0; t < 4; ++t) {
            switch (side) {
              case 0:
                grid.Set(c + t, r - 1);
                break;
              case 1:
                grid.Set(c + t, r + 4);
                break;
              case 2:
                grid.Set(c - 1, r + t);
                break;
              default:
                grid.Set(c + 4, r + t);
                break;
            }
          }
        }
      }
    }
  }
  return grid;
}

// The outline cell nearest the top-left corner of the outline's bounding rectangle, the first
// in row order on ties. The box is tight, so that corner is always cell (1, 1).
void FindStart(const TBitPlane& grid, int64_t& startC, int64_t& startR) {
  int64_t best = -1;
  for (int64_t r = 1; r < grid.Height(); ++r) {
    const int64_t dr2 = (r - 1) * (r - 1);
    if (best >= 0 && dr2 >= best) break;
    const uint64_t* row = grid.Row(r);
    for (int64_t k = 0; k < grid.Stride(); ++k) {
      if (row[k] == 0) continue;
      const int64_t c = k * 64 + std::countr_zero(row[k]);
      const int64_t d = (c - 1) * (c - 1) + dr2;
      if (best < 0 || d < best) {
        best = d;
        startC = c;
        startR = r;
      }
      break;
    }
  }
}

// Search order of the trace; a direction's index also stands for its chain character.
constexpr int kDirX[8] = {+1, 0, -1, 0, +1, -1, -1, +1};
constexpr int kDirY[8] = {0, -1, 0, +1, -1, -1, +1, +1};

// Walks the outline from the start cell, clearing each cell it passes; returns the directions.
std::vector<uint8_t> Trace(TBitPlane& grid, int64_t startC, int64_t startR) {
  std::vector<uint8_t> chain;
  int64_t c = startC, r = startR;
  grid.Reset(c, r);
  int current = 4;
  const auto step = [&](int d) {
    if (!grid.Test(c + kDirX[d], r + kDirY[d])) return false;
    c += kDirX[d];
    r += kDirY[d];
    grid.Reset(c, r);
    chain.push_back(uint8_t(d));
    return true;
  };
  for (;;) {
    step(current);
    int d = 0;
    while (d < 8 && !step(d)) ++d;
    if (d == 8) break;
    current = d;
  }
  for (int d = 0; d < 8; ++d) {
    if (c + kDirX[d] == startC && r + kDirY[d] == startR) {
      chain.push_back(uint8_t(d));
      break;
    }
  }
  return chain;
}

}  // namespace

std::vector<TPoint> _MakeMagicWandPoints(const TBitmap& bitmap, int32_t x, int32_t y, bool maximumFilter,
                                         int32_t tolerance, int64_t gridLimit) {
  if (bitmap.PixelFormat() != pf24bit || x < 0 || y < 0 || x >= bitmap.Width() || y >= bitmap.Height()) return {};
  const uint8_t* seed = bitmap.ScanLine(y) + size_t(x) * 3;
  TRegionFill fill(bitmap, std::clamp(tolerance, 0, 255), TRGB{seed[0], seed[1], seed[2]});
  fill.Run(x, y);
  const TBox box = fill.Box();

  TBitPlane mask = CopyBox(fill.Region(), box);
  if (maximumFilter) mask = Dilate(mask);
  int64_t k = 1;
  while (GridCells((box.Width() + k - 1) / k, (box.Height() + k - 1) / k) > gridLimit) {
    if (k >= std::max(box.Width(), box.Height())) return {};
    k *= 2;
  }
  if (k > 1) mask = Coarsen(mask, k);

  TBitPlane grid = MarkOutline(mask);
  int64_t startC = 0, startR = 0;
  FindStart(grid, startC, startR);
  const std::vector<uint8_t> chain = Trace(grid, startC, startR);

  // A cell's corner coordinate in the box is (cell - 1) / 4 blocks of k pixels.
  const auto toPoint = [&](int64_t c, int64_t r) {
    return TPoint{int32_t(box.left + std::min<int64_t>((c - 1) / 4 * k, box.Width())),
                  int32_t(box.top + std::min<int64_t>((r - 1) / 4 * k, box.Height()))};
  };
  std::vector<TPoint> points{toPoint(startC, startR)};
  int64_t c = startC, r = startR;
  uint8_t previous = chain.empty() ? 0 : chain.front();
  for (uint8_t d : chain) {
    if (d != previous) points.push_back(toPoint(c, r));
    previous = d;
    c += kDirX[d];
    r += kDirY[d];
  }
  return points;
}

}  // namespace kx
