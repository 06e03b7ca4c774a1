// 3 x 3 convolution of a 12-megapixel photograph through the processing component: presets
// that need no division (the high pass) and one that does (LowPass2), the application's sharpen
// kernel with its divisor, and a kernel too large for 16-bit sums. The pass costs the same
// whatever the pixels hold, so the picture is filtered again in place each round.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "imaging/proc/filters.h"
#include "imaging/proc/proc.h"

namespace {

void BM_Filter(benchmark::State& state, const kx::TGraphFilter& filter) {
  kx::TBitmap work = kxbench::MakePhoto(4000, 3000);
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&work);
  for (auto _ : state) {
    kx::ApplyFilter(proc, filter);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(work.Width()) * work.Height());
}

void BM_HighPass1(benchmark::State& state) { BM_Filter(state, kx::KXFiltPres[kx::fpHighPass1]); }
void BM_LowPass2(benchmark::State& state) { BM_Filter(state, kx::KXFiltPres[kx::LowPass2]); }
void BM_Blur(benchmark::State& state) { BM_Filter(state, kx::KXFiltPres[kx::fpBlur]); }
void BM_WideKernel(benchmark::State& state) {
  BM_Filter(state, kx::TGraphFilter{{{-100, 0, 100}, {-200, 1, 200}, {-100, 0, 100}}, 3});
}

}  // namespace

BENCHMARK(BM_HighPass1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LowPass2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideKernel)->Unit(benchmark::kMillisecond);
