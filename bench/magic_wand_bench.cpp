// Throughput of the magic wand on a 12-megapixel photograph (the whole picture at tolerance
// 255, and the sky above the horizon at a moderate tolerance), and of counting the
// photograph's distinct colours with THash1.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/hash1.h"
#include "imaging/proc/magic_wand.h"

namespace {

const kx::TBitmap& Photo() {
  static const kx::TBitmap photo = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
  return photo;
}

void Wand(benchmark::State& state, int32_t tolerance) {
  const kx::TBitmap& photo = Photo();
  size_t points = 0;
  for (auto _ : state) {
    std::vector<kx::TPoint> polygon = kx::_MakeMagicWandPoints(photo, photo.Width() / 2, 10, false, tolerance);
    points = polygon.size();
    benchmark::DoNotOptimize(polygon.data());
  }
  state.counters["vertices"] = double(points);
  kxbench::CountMegapixels(state, int64_t(photo.Width()) * photo.Height());
}

void BM_MagicWandWholePicture(benchmark::State& state) { Wand(state, 255); }
void BM_MagicWandSky(benchmark::State& state) { Wand(state, 40); }

void BM_Hash1ColourCount(benchmark::State& state) {
  const kx::TBitmap& photo = Photo();
  int64_t colours = 0;
  for (auto _ : state) {
    kx::THash1 set(13);
    for (int32_t y = 0; y < photo.Height(); ++y) {
      const uint8_t* p = photo.ScanLine(y);
      for (int32_t x = 0; x < photo.Width(); ++x, p += 3) set.Insert(int32_t(p[0] | p[1] << 8 | p[2] << 16));
    }
    colours = set.Count();
  }
  state.counters["colours"] = double(colours);
  kxbench::CountMegapixels(state, int64_t(photo.Width()) * photo.Height());
}

}  // namespace

BENCHMARK(BM_MagicWandWholePicture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagicWandSky)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hash1ColourCount)->Unit(benchmark::kMillisecond);
