// The effects on a 12-megapixel photograph through the processing component: merging with
// another photograph, bump mapping, a lens over most of the picture, waves, and the gray-ranked
// morphology at radius 1, 3 and 10 (whose cost must not grow with the radius). Each round starts
// from the untouched photograph, copied outside the timing.
#include <benchmark/benchmark.h>

#include <functional>

#include "bench/bench_support.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/bitmap_copy.h"

namespace {

void Run(benchmark::State& state, const std::function<void(kx::TKestrixProc&)>& effect) {
  const kx::TBitmap photo = kxbench::MakePhoto(4000, 3000);
  kx::TBitmap work;
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&work);
  for (auto _ : state) {
    state.PauseTiming();
    kx::KXCopyBitmap(photo, work);
    state.ResumeTiming();
    effect(proc);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(photo.Width()) * photo.Height());
}

void BM_Merge(benchmark::State& state) {
  const kx::TBitmap other = kxbench::MakePhoto(4000, 3000, 7);
  Run(state, [&](kx::TKestrixProc& p) { p.Merge(other, 50); });
}
void BM_BumpMapping(benchmark::State& state) {
  Run(state, [](kx::TKestrixProc& p) { p.BumpMapping(2000, 1500, 1500, 1500, 30, kx::CreateRGB(255, 240, 200)); });
}
void BM_Lens(benchmark::State& state) {
  Run(state, [](kx::TKestrixProc& p) { p.Lens(2000, 1500, 3600, 2800, 1.6); });
}
void BM_Wave(benchmark::State& state) {
  Run(state, [](kx::TKestrixProc& p) { p.Wave(10, 40, 0, false); });
}
void BM_Maximum(benchmark::State& state) {
  Run(state, [r = int32_t(state.range(0))](kx::TKestrixProc& p) { p.Maximum(r); });
}
void BM_Minimum(benchmark::State& state) {
  Run(state, [r = int32_t(state.range(0))](kx::TKestrixProc& p) { p.Minimum(r); });
}
void BM_Opening(benchmark::State& state) {
  Run(state, [r = int32_t(state.range(0))](kx::TKestrixProc& p) { p.Opening(r); });
}
void BM_Closing(benchmark::State& state) {
  Run(state, [r = int32_t(state.range(0))](kx::TKestrixProc& p) { p.Closing(r); });
}

}  // namespace

BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BumpMapping)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lens)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Maximum)->Arg(1)->Arg(3)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Minimum)->Arg(1)->Arg(3)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Opening)->Arg(1)->Arg(3)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Closing)->Arg(1)->Arg(3)->Arg(10)->Unit(benchmark::kMillisecond);
