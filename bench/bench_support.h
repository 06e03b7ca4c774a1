// Pictures the benchmark programs work on: a photo-like picture made in memory, so that no
// large file has to be kept in the repository, and the megapixel-per-second counter they report.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/bitmap_copy.h"

namespace kxbench {

// Smooth noise: random values on a square lattice of `cell` pixels, interpolated bilinearly.
// Several of these at different cell sizes give the blotches and grain of foliage and stone.
class TLatticeNoise {
 public:
  TLatticeNoise(int32_t width, int32_t height, int32_t cell, int amplitude, uint32_t& state)
      : fCell(cell), fCols(width / cell + 2), fCellX(size_t(width)), fFracX(size_t(width)) {
    const int32_t rows = height / cell + 2;
    fLattice.resize(size_t(fCols) * size_t(rows));
    for (int16_t& v : fLattice) v = int16_t(int(Next(state) % uint32_t(2 * amplitude + 1)) - amplitude);
    for (int32_t x = 0; x < width; ++x) {
      fCellX[size_t(x)] = x / cell;
      fFracX[size_t(x)] = (x % cell) * 256 / cell;
    }
  }

  // Adds this noise for row `y` to `out` (one value per pixel).
  void AddRow(int32_t y, std::vector<int>& out) const {
    const int32_t cy = y / fCell;
    const int fy = (y % fCell) * 256 / fCell;
    const int16_t* top = &fLattice[size_t(cy) * size_t(fCols)];
    const int16_t* bottom = top + fCols;
    for (size_t x = 0; x < out.size(); ++x) {
      const int32_t cx = fCellX[x];
      const int fx = fFracX[x];
      const int upper = top[cx] * (256 - fx) + top[cx + 1] * fx;
      const int lower = bottom[cx] * (256 - fx) + bottom[cx + 1] * fx;
      out[x] += (upper * (256 - fy) + lower * fy) >> 16;
    }
  }

  static uint32_t Next(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }

 private:
  int32_t fCell;
  int32_t fCols;
  std::vector<int16_t> fLattice;
  std::vector<int32_t> fCellX;
  std::vector<int> fFracX;
};

// A photo-like 24-bit picture: a smooth sky over the upper two fifths, textured ground below
// with a few hard-edged bright shapes, and faint sensor grain everywhere, so that a JPEG of it
// has the entropy of a real photograph (about 1.9 bits per pixel at quality 90, 0.8 at 60).
inline kx::TBitmap MakePhoto(int32_t width, int32_t height, uint32_t seed = 1) {
  kx::TBitmap bmp(width, height, kx::pf24bit);
  uint32_t state = seed * 2654435761u | 1u;
  const TLatticeNoise coarse(width, height, 97, 50, state);
  const TLatticeNoise medium(width, height, 13, 36, state);
  const TLatticeNoise fine(width, height, 3, 40, state);

  // Colour gradients are separable, so each channel is a product of a column and a row table.
  std::vector<float> column[3];
  for (int c = 0; c < 3; ++c) {
    column[c].resize(size_t(width));
    for (int32_t x = 0; x < width; ++x) {
      column[c][size_t(x)] = 0.75f + 0.25f * std::sin(float(x) / float(width) * (2.0f + float(c)) + float(c));
    }
  }
  const int32_t horizon = height * 2 / 5;
  std::vector<int> texture(static_cast<size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    const bool ground = y >= horizon;
    std::fill(texture.begin(), texture.end(), 0);
    coarse.AddRow(y, texture);
    if (ground) {
      medium.AddRow(y, texture);
      fine.AddRow(y, texture);
    } else {
      for (int& v : texture) v /= 4;  // clouds: faint and soft
    }
    const float t = float(y) / float(height);
    const float level[3] = {ground ? 70.0f + 40.0f * t : 235.0f - 80.0f * t,   // blue
                            ground ? 110.0f - 20.0f * t : 190.0f - 50.0f * t,  // green
                            ground ? 90.0f + 30.0f * t : 140.0f - 40.0f * t};  // red
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t grain = TLatticeNoise::Next(state);
      int bright = texture[size_t(x)] + int(grain & 7u) - 3;
      // Round stones: a bright disc every 400 pixels of ground, with hard edges.
      if (ground) {
        const int32_t dx = x % 400 - 200, dy = (y - horizon) % 400 - 200;
        if (dx * dx + dy * dy < 90 * 90) bright += 70;
      }
      for (int c = 0; c < 3; ++c) {
        const int v = int(level[c] * column[c][size_t(x)]) + bright + int((grain >> (8 + 4 * c)) & 3u);
        row[x * 3 + c] = uint8_t(std::clamp(v, 0, 255));
      }
    }
  }
  return bmp;
}

// The picture size of the benchmarks: 12 megapixels, the size of a common camera's photograph.
constexpr int32_t kPhotoWidth = 4000;
constexpr int32_t kPhotoHeight = 3000;

// The source picture of a codec benchmark: the file the environment variable `variable` names,
// read with `read` (it must give a 24-bit picture), or else the 12-megapixel photograph.
using TSourceReader = void (*)(kx::TStream& stream, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview,
                               kx::TProgressRec& progress);
inline kx::TBitmap PhotoOrFile(const char* variable, TSourceReader read) {
  const char* file = std::getenv(variable);
  if (file == nullptr || *file == '\0') return MakePhoto(kPhotoWidth, kPhotoHeight);
  kx::TMemoryStream stream;
  stream.LoadFromFile(file);
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  kx::TProgressRec progress = kx::NullProgress();
  read(stream, bitmap, params, false, progress);
  if (progress.Aborted() || bitmap.PixelFormat() != kx::pf24bit)
    throw std::runtime_error(std::string("cannot read ") + file);
  return bitmap;
}

// Reports throughput in megapixels per second of `pixels` per iteration.
inline void CountMegapixels(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Runs `op` again and again on one copy of `source` through a processing component without
// undo, reporting megapixels of the source per second.
template <typename Op>
void RunOnCopy(benchmark::State& state, const kx::TBitmap& source, Op op) {
  kx::TBitmap work;
  kx::KXCopyBitmap(source, work);
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&work);
  for (auto _ : state) {
    op(proc);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  CountMegapixels(state, int64_t(source.Width()) * source.Height());
}

}  // namespace kxbench
