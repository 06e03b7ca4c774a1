// Gray-ranked morphology. Every pixel of the rectangle gets one 64-bit key: its gray level (or
// 255 minus it, for a minimum pass) in the top byte and, below it, its place in row order
// counted backwards. Keys are distinct and the largest key of a window is its first pixel of
// the best level, exactly the pixel the window search in row order keeps. A maximum of keys over
// a rectangle is the maximum over its rows of the maxima along each row, so a pass is two
// one-dimensional sliding maxima, each the van Herk / Gil-Werman scheme (a running maximum
// forward and backward within blocks of 2r + 1): three comparisons per pixel and direction,
// whatever the radius. The columns go in strips, so that the vertical maxima run along rows
// of memory. Windows of radius 1 and 2 are cheaper taken directly, the rows going down the
// picture in place and each one finished as soon as its maxima are known.
#include "imaging/proc/morphology.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/proc/pixel_convert.h"

namespace kx {
namespace {

constexpr int kPlaceBits = 56;
constexpr uint64_t kPlaceMask = (uint64_t(1) << kPlaceBits) - 1;
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
  for (size_t i = 0; i < n; ++i) {
    const size_t lo = i < r ? 0 : i - r, hi = std::min(n - 1, i + r);
    uint64_t m = copy[lo];
    for (size_t p = lo + 1; p <= hi; ++p) m = std::max(m, copy[p]);
    row[i] = m;
  }
}

// Work space of the passes, kept from one pass to the next; the planes are never zeroed, as
// every element is written before it is read.
struct TMorphSpace {
  std::unique_ptr<TRGB[]> Pixels;
  std::unique_ptr<uint64_t[]> Keys;
  std::vector<uint64_t> Forward, Backward, Strip, Ring;
};

// One pass over the w x h rectangle at (x1, y1); `pass` and `passes` place its rows in the
// progress.
void MorphPass(TBitmap& bitmap, size_t r, bool maximum, int32_t x1, int32_t y1, int32_t w, int32_t h, int pass,
               int passes, TMorphSpace& space, const TProgressRec& progress) {
  const size_t W = size_t(w), H = size_t(h), count = W * H;
  TRGB* pixels = space.Pixels.get();
  uint64_t* keys = space.Keys.get();
  for (size_t y = 0; y < H; ++y) {
    const TRGB* row = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y1 + int32_t(y))) + x1;
    std::copy_n(row, W, pixels + y * W);
    uint64_t* key = keys + y * W;
    const uint64_t place = count - 1 - y * W;
    for (size_t x = 0; x < W; ++x) {
      const uint8_t gray = _RGBToGray(row[x]);
      const uint64_t level = maximum ? gray : 255u - gray;
      key[x] = level << kPlaceBits | (place - x);
    }
  }
  const bool direct = r <= kDirectRadius;
  for (size_t y = 0; y < H; ++y) {
    if (direct)
      DirectRowMax(keys + y * W, W, r, space.Forward);
    else
      SlidingMax(keys + y * W, W, 1, r, space.Forward, space.Backward);
  }

  const double per1 = 100.0 / (double(h) - 1 + 0.5) / passes;
  // Row y takes the pixels its keys name and is reported; a best level of 0 means nothing was
  // strictly better than the search's start, and the pixel stays.
  const auto finishRow = [&](size_t y, const uint64_t* key) {
    TRGB* row = reinterpret_cast<TRGB*>(bitmap.ScanLine(y1 + int32_t(y))) + x1;
    for (size_t x = 0; x < W; ++x)
      if (key[x] >> kPlaceBits != 0) row[x] = pixels[count - 1 - (key[x] & kPlaceMask)];
    if (progress.fOnProgress.Assigned()) {
      const int64_t done = int64_t(y) + 1 + int64_t(pass) * h;
      progress.fOnProgress(progress.Sender, std::min(100, int(double(done) * per1)));
    }
  };
  if (direct) {
    // Down the rows in place: the rows above the current one are already overwritten, so the
    // last r + 1 of them are kept as they were in a ring.
    const size_t ringRows = r + 1;
    space.Ring.resize(ringRows * W);
    std::vector<uint64_t>& out = space.Strip;
    out.resize(W);
    for (size_t y = 0; y < H; ++y) {
      uint64_t* here = keys + y * W;
      std::copy_n(here, W, space.Ring.data() + (y % ringRows) * W);
      std::copy_n(here, W, out.data());
      for (size_t k = 1; k <= r; ++k) {
        if (y >= k) {
          const uint64_t* above = space.Ring.data() + ((y - k) % ringRows) * W;
          for (size_t x = 0; x < W; ++x) out[x] = std::max(out[x], above[x]);
        }
        if (y + k < H) {
          const uint64_t* below = keys + (y + k) * W;
          for (size_t x = 0; x < W; ++x) out[x] = std::max(out[x], below[x]);
        }
      }
      finishRow(y, out.data());
    }
    return;
  }
  for (size_t x0 = 0; x0 < W; x0 += kStrip) {
    const size_t lanes = std::min(kStrip, W - x0);
    space.Strip.resize(H * lanes);
    uint64_t* strip = space.Strip.data();
    for (size_t y = 0; y < H; ++y) std::copy_n(keys + y * W + x0, lanes, strip + y * lanes);
    SlidingMax(strip, H, lanes, r, space.Forward, space.Backward);
    for (size_t y = 0; y < H; ++y) std::copy_n(strip + y * lanes, lanes, keys + y * W + x0);
  }
  for (size_t y = 0; y < H; ++y) finishRow(y, keys + y * W);
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
  const size_t count = size_t(w) * size_t(h);
  space.Pixels = std::make_unique_for_overwrite<TRGB[]>(count);
  space.Keys = std::make_unique_for_overwrite<uint64_t[]>(count);
  MorphPass(bitmap, r, first, x1, y1, w, h, 0, passes, space, progress);
  if (passes == 2) MorphPass(bitmap, r, !first, x1, y1, w, h, 1, passes, space, progress);
}

}  // namespace kx
