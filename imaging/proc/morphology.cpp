// Gray-ranked morphology. Every pixel of the rectangle gets one 64-bit key: its gray level (or
// 255 minus it, for a minimum pass) in the top byte and, below it, its place in row order
// counted backwards (the row from the bottom in 28 bits, then the column from the right in 28). Keys are distinct and
// the largest key of a window is its first pixel of the best level, exactly the pixel the window search in row order
// keeps. A maximum of keys over a rectangle is the maximum over its rows of the maxima along each row, so a pass is two
// one-dimensional sliding maxima, each the van Herk / Gil-Werman scheme (a running maximum
// forward and backward within blocks of 2r + 1): three comparisons per pixel and direction,
// whatever the radius. The columns go in strips, so that the vertical maxima run along rows
// of memory. Windows of radius 1 and 2 are cheaper taken directly: the rows go down the picture
// in place, with only the rows of one window kept aside, and each is finished as soon as its
// maxima are known.
#include "imaging/proc/morphology.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/proc/pixel_convert.h"

namespace kx {
namespace {

constexpr int kPlaceBits = 56;
// Rows and columns both stay below 2^28: the pixel limit keeps every side there.
constexpr int kColumnBits = 28;
constexpr uint64_t kColumnMask = (uint64_t(1) << kColumnBits) - 1;

// The keys of row y of a W x H rectangle.
void MakeKeys(const TRGB* row, size_t W, size_t H, size_t y, bool maximum, uint64_t* key) {
  const uint64_t place = uint64_t(H - 1 - y) << kColumnBits | (W - 1);
  for (size_t x = 0; x < W; ++x) {
    const uint8_t gray = _RGBToGray(row[x]);
    const uint64_t level = maximum ? gray : 255u - gray;
    key[x] = (level << kPlaceBits | place) - x;
  }
}
// The row and column a key names.
size_t RowOf(uint64_t key, size_t H) { return H - 1 - size_t((key >> kColumnBits) & kColumnMask); }
size_t ColumnOf(uint64_t key, size_t W) { return W - 1 - size_t(key & kColumnMask); }
// A best level of 0 means nothing was strictly better than the search's start: the pixel stays.
bool Moves(uint64_t key) { return key >> kPlaceBits != 0; }
// Columns per strip of the vertical maxima.
constexpr size_t kStrip = 64;
// Radii up to this take each window's maximum directly.
constexpr size_t kDirectRadius = 2;

// Sliding maximum over n positions of `lanes` interleaved sequences (position p of lane l at
// data[p x lanes + l]) within r positions on both sides, kept inside 0..n - 1; in place. The
// scratch vectors are resized as needed.
void SlidingMax(uint64_t* data, size_t n, size_t lanes, size_t r, std::vector<uint64_t>& forward,
                std::vector<uint64_t>& backward) {
  if (r == 0 || n < 2) return;
  r = std::min(r, n - 1);
  // Positions -r..n - 1 + r, the outer ones 0 (below every key a window can win with).
  const size_t block = 2 * r + 1, padded = n + 2 * r;
  const size_t blocks = (padded + block - 1) / block, total = blocks * block;
  forward.assign(total * lanes, 0);
  backward.assign(total * lanes, 0);
  std::memcpy(forward.data() + r * lanes, data, n * lanes * sizeof(uint64_t));
  std::memcpy(backward.data() + r * lanes, data, n * lanes * sizeof(uint64_t));
  for (size_t start = 0; start < total; start += block) {
    for (size_t p = start + 1; p < start + block; ++p) {
      uint64_t* cur = forward.data() + p * lanes;
      const uint64_t* prev = cur - lanes;
      for (size_t l = 0; l < lanes; ++l) cur[l] = std::max(cur[l], prev[l]);
    }
    for (size_t p = start + block - 1; p-- > start;) {
      uint64_t* cur = backward.data() + p * lanes;
      const uint64_t* next = cur + lanes;
      for (size_t l = 0; l < lanes; ++l) cur[l] = std::max(cur[l], next[l]);
    }
  }
  // The window of position i spans padded positions i..i + 2r: the end of a block from
  // `backward`, the start of the next from `forward`.
  for (size_t i = 0; i < n; ++i) {
    const uint64_t* b = backward.data() + i * lanes;
    const uint64_t* f = forward.data() + (i + 2 * r) * lanes;
    uint64_t* out = data + i * lanes;
    for (size_t l = 0; l < lanes; ++l) out[l] = std::max(b[l], f[l]);
  }
}

// Sliding maximum of radius r <= kDirectRadius along one row of n keys, in place, straight
// from a copy of the row: cheaper than the blocks when the window is this small.
void DirectRowMax(uint64_t* row, size_t n, size_t r, std::vector<uint64_t>& copy) {
  if (r == 0 || n < 2) return;
  copy.assign(row, row + n);
  if (r == 1) {
    row[0] = std::max(copy[0], copy[1]);
    for (size_t i = 1; i + 1 < n; ++i) row[i] = std::max(std::max(copy[i - 1], copy[i]), copy[i + 1]);
    row[n - 1] = std::max(copy[n - 2], copy[n - 1]);
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    const size_t lo = i < r ? 0 : i - r, hi = std::min(n - 1, i + r);
    uint64_t m = copy[lo];
    for (size_t p = lo + 1; p <= hi; ++p) m = std::max(m, copy[p]);
    row[i] = m;
  }
}

// Reports row y of pass `pass` of `passes` over h rows.
void ReportPassRow(const TProgressRec& progress, size_t y, int32_t h, int pass, int passes) {
  if (!progress.fOnProgress.Assigned()) return;
  const double per1 = 100.0 / (double(h) - 1 + 0.5) / passes;
  const int64_t done = int64_t(y) + 1 + int64_t(pass) * h;
  progress.fOnProgress(progress.Sender, std::min(100, int(double(done) * per1)));
}

// A pass of radius r <= kDirectRadius over the w x h rectangle at (x1, y1). Rings hold the keys
// (maxima along their rows already) and the original pixels of the 2r + 1 rows around the
// current one; row y is overwritten once its window's keys are combined.
void DirectPass(TBitmap& bitmap, size_t r, bool maximum, int32_t x1, int32_t y1, int32_t w, int32_t h, int pass,
                int passes, const TProgressRec& progress) {
  const size_t W = size_t(w), H = size_t(h), ringRows = 2 * r + 1;
  std::vector<uint64_t> keyRing(ringRows * W), out(W), copy;
  std::vector<TRGB> pixelRing(ringRows * W);
  const auto rowOf = [&](size_t y) { return reinterpret_cast<TRGB*>(bitmap.ScanLine(y1 + int32_t(y))) + x1; };
  const auto load = [&](size_t y) {
    const TRGB* row = rowOf(y);
    std::copy_n(row, W, pixelRing.data() + (y % ringRows) * W);
    uint64_t* key = keyRing.data() + (y % ringRows) * W;
    MakeKeys(row, W, H, y, maximum, key);
    DirectRowMax(key, W, r, copy);
  };
  for (size_t y = 0; y < std::min(H, r); ++y) load(y);
  for (size_t y = 0; y < H; ++y) {
    if (y + r < H) load(y + r);
    const size_t lo = y >= r ? y - r : 0, hi = std::min(H - 1, y + r);
    std::copy_n(keyRing.data() + (lo % ringRows) * W, W, out.data());
    for (size_t k = lo + 1; k <= hi; ++k) {
      const uint64_t* keys = keyRing.data() + (k % ringRows) * W;
      for (size_t x = 0; x < W; ++x) out[x] = std::max(out[x], keys[x]);
    }
    TRGB* row = rowOf(y);
    for (size_t x = 0; x < W; ++x)
      if (Moves(out[x])) row[x] = pixelRing[(RowOf(out[x], H) % ringRows) * W + ColumnOf(out[x], W)];
    ReportPassRow(progress, y, h, pass, passes);
  }
}

// Work planes of the blocked passes, kept from one pass to the next; never zeroed, as every
// element is written before it is read.
struct TMorphSpace {
  std::unique_ptr<TRGB[]> Pixels;
  std::unique_ptr<uint64_t[]> Keys;
  std::vector<uint64_t> Forward, Backward, Strip;
};

// A pass of a larger radius over the w x h rectangle at (x1, y1), through whole planes of
// pixels and keys.
void BlockedPass(TBitmap& bitmap, size_t r, bool maximum, int32_t x1, int32_t y1, int32_t w, int32_t h, int pass,
                 int passes, TMorphSpace& space, const TProgressRec& progress) {
  const size_t W = size_t(w), H = size_t(h), count = W * H;
  if (!space.Keys) {
    space.Pixels = std::make_unique_for_overwrite<TRGB[]>(count);
    space.Keys = std::make_unique_for_overwrite<uint64_t[]>(count);
  }
  TRGB* pixels = space.Pixels.get();
  uint64_t* keys = space.Keys.get();
  for (size_t y = 0; y < H; ++y) {
    const TRGB* row = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y1 + int32_t(y))) + x1;
    std::copy_n(row, W, pixels + y * W);
    MakeKeys(row, W, H, y, maximum, keys + y * W);
    SlidingMax(keys + y * W, W, 1, r, space.Forward, space.Backward);
  }
  for (size_t x0 = 0; x0 < W; x0 += kStrip) {
    const size_t lanes = std::min(kStrip, W - x0);
    space.Strip.resize(H * lanes);
    uint64_t* strip = space.Strip.data();
    for (size_t y = 0; y < H; ++y) std::copy_n(keys + y * W + x0, lanes, strip + y * lanes);
    SlidingMax(strip, H, lanes, r, space.Forward, space.Backward);
    for (size_t y = 0; y < H; ++y) std::copy_n(strip + y * lanes, lanes, keys + y * W + x0);
  }
  for (size_t y = 0; y < H; ++y) {
    TRGB* row = reinterpret_cast<TRGB*>(bitmap.ScanLine(y1 + int32_t(y))) + x1;
    const uint64_t* key = keys + y * W;
    for (size_t x = 0; x < W; ++x)
      if (Moves(key[x])) row[x] = pixels[RowOf(key[x], H) * W + ColumnOf(key[x], W)];
    ReportPassRow(progress, y, h, pass, passes);
  }
}

}  // namespace

void _MorphFilter(TBitmap& bitmap, int32_t radius, TKXMorphKind kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  const TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || radius < 0 || kind > mkClosing) return;
  x1 = std::max(x1, 0), y1 = std::max(y1, 0);
  x2 = std::min(x2, bitmap.Width() - 1), y2 = std::min(y2, bitmap.Height() - 1);
  if (x1 > x2 || y1 > y2) return;
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  const size_t r = size_t(radius);
  const bool first = kind == mkMaximum || kind == mkClosing;
  const int passes = kind == mkOpening || kind == mkClosing ? 2 : 1;
  TMorphSpace space;
  for (int pass = 0; pass < passes; ++pass) {
    const bool maximum = pass == 0 ? first : !first;
    if (r <= kDirectRadius)
      DirectPass(bitmap, r, maximum, x1, y1, w, h, pass, passes, progress);
    else
      BlockedPass(bitmap, r, maximum, x1, y1, w, h, pass, passes, space, progress);
  }
}

}  // namespace kx
