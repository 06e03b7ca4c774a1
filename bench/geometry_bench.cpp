// Geometry operations on a 12-megapixel photograph: resampling to 540 pixels wide with each
// filter, enlarging a 540-pixel picture to 2000 wide with each filter, rotating by 90, -90,
// 180 and 30 degrees, flipping both ways, and a plain copy of the same bytes as the yardstick
// for the quarter turns and flips; the turns and the horizontal flip again at 1 bit per pixel
// beside a copy of those bytes. Megapixels are those of the source.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/resample.h"

namespace {

const kx::TBitmap& Photo() {
  static const kx::TBitmap photo = kxbench::MakePhoto(4000, 3000);
  return photo;
}

// The same picture at 1 bit per pixel, for the bit-level turns and mirrors.
const kx::TBitmap& OneBitPhoto() {
  static const kx::TBitmap photo = [] {
    kx::TBitmap b = Photo();
    b.SetPixelFormat(kx::pf1bit);
    return b;
  }();
  return photo;
}

const kx::TBitmap& Small() {
  static const kx::TBitmap small = [] {
    kx::TBitmap b(540, 405);
    kx::_Resample(Photo(), b, kx::rfTriangle);
    return b;
  }();
  return small;
}

void BM_Resample(benchmark::State& state, const kx::TBitmap& source, int32_t width) {
  const auto filter = kx::TResampleFilter(state.range(0));
  kx::TBitmap work;
  for (auto _ : state) {
    state.PauseTiming();
    kx::KXCopyBitmap(source, work);
    state.ResumeTiming();
    kx::TKestrixProc proc;
    proc.SetAutoUndo(false);
    proc.SetAttachedBitmap(&work);
    proc.Resample(width, -1, filter);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(source.Width()) * source.Height());
}

void BM_ResampleDown(benchmark::State& state) { BM_Resample(state, Photo(), 540); }
void BM_ResampleUp(benchmark::State& state) { BM_Resample(state, Small(), 2000); }

template <typename Op>
void BM_Operation(benchmark::State& state, Op op) {
  kxbench::RunOnCopy(state, Photo(), op);
}

// Into a bitmap that already has the block, so that only the bytes' copy is timed.
void BM_CopyOf(benchmark::State& state, const kx::TBitmap& source) {
  kx::TBitmap work;
  kx::KXCopyBitmap(source, work);
  for (auto _ : state) {
    kx::KXCopyBitmap(source, work);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(source.Width()) * source.Height());
}
void BM_Copy(benchmark::State& state) { BM_CopyOf(state, Photo()); }
void BM_Copy1Bit(benchmark::State& state) { BM_CopyOf(state, OneBitPhoto()); }

void BM_Rotate90(benchmark::State& state) {
  BM_Operation(state, [](kx::TKestrixProc& p) { p.Rotate(90, false); });
}
void BM_RotateMinus90(benchmark::State& state) {
  BM_Operation(state, [](kx::TKestrixProc& p) { p.Rotate(-90, false); });
}
void BM_Rotate180(benchmark::State& state) {
  BM_Operation(state, [](kx::TKestrixProc& p) { p.Rotate(180, false); });
}
void BM_FlipHorizontal(benchmark::State& state) {
  BM_Operation(state, [](kx::TKestrixProc& p) { p.Flip(kx::fdHorizontal); });
}
void BM_FlipVertical(benchmark::State& state) {
  BM_Operation(state, [](kx::TKestrixProc& p) { p.Flip(kx::fdVertical); });
}

void BM_Rotate90_1Bit(benchmark::State& state) {
  kxbench::RunOnCopy(state, OneBitPhoto(), [](kx::TKestrixProc& p) { p.Rotate(90, false); });
}
void BM_Rotate180_1Bit(benchmark::State& state) {
  kxbench::RunOnCopy(state, OneBitPhoto(), [](kx::TKestrixProc& p) { p.Rotate(180, false); });
}
void BM_FlipHorizontal_1Bit(benchmark::State& state) {
  kxbench::RunOnCopy(state, OneBitPhoto(), [](kx::TKestrixProc& p) { p.Flip(kx::fdHorizontal); });
}

// Each turn grows the picture, so every round starts again from the photograph.
void BM_Rotate30(benchmark::State& state) {
  const bool antialias = state.range(0) != 0;
  kx::TBitmap work;
  for (auto _ : state) {
    state.PauseTiming();
    kx::KXCopyBitmap(Photo(), work);
    state.ResumeTiming();
    kx::TKestrixProc proc;
    proc.SetAutoUndo(false);
    proc.SetAttachedBitmap(&work);
    proc.Rotate(30, antialias);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(Photo().Width()) * Photo().Height());
}

}  // namespace

BENCHMARK(BM_ResampleDown)->DenseRange(kx::rfNone, kx::rfMitchell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleUp)->DenseRange(kx::rfNone, kx::rfMitchell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateMinus90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate180)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate30)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipHorizontal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Copy1Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate90_1Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate180_1Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipHorizontal_1Bit)->Unit(benchmark::kMillisecond);
