// 3 x 3 convolution of a 12-megapixel photograph through the processing component: presets
// that need no division (the high pass) and one that does (LowPass2), the application's sharpen
// kernel with its divisor, a kernel too large for 16-bit sums, and the high pass through a
// polygon selection of a view. The pass costs the same whatever the pixels hold, so the picture
// is filtered again in place each round.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/filters.h"
#include "imaging/view/headless_host.h"
#include "imaging/view/view.h"

namespace {

void BM_Filter(benchmark::State& state, const kx::TGraphFilter& filter) {
  kx::TBitmap work = kxbench::MakePhoto(4000, 3000);
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&work);
  for (auto _ : state) {
    proc.ApplyFilter(filter);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(work.Width()) * work.Height());
}

// A quadrilateral over most of the picture: the frame keeps its bounding box and puts back the
// pixels outside it after the pass.
void BM_HighPass1Polygon(benchmark::State& state) {
  const kx::TBitmap photo = kxbench::MakePhoto(4000, 3000);
  kx::TKestrixView view;
  kx::THeadlessHost host;
  view.SetBounds(0, 0, 64, 64);
  host.Attach(view);
  view.Assign(&photo);
  view.SetSelectionBase(kx::kxsbBitmap);
  for (const kx::TPoint& p :
       {kx::TPoint{200, 100}, kx::TPoint{3900, 300}, kx::TPoint{3600, 2900}, kx::TPoint{100, 2500}})
    view.AddSelPoint(p.X, p.Y);
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedKestrix(&view);
  for (auto _ : state) {
    proc.ApplyFilter(kx::KXFiltPres[kx::fpHighPass1]);
    benchmark::DoNotOptimize(view.Bitmap().ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(photo.Width()) * photo.Height());
}

void BM_HighPass1(benchmark::State& state) { BM_Filter(state, kx::KXFiltPres[kx::fpHighPass1]); }
void BM_LowPass2(benchmark::State& state) { BM_Filter(state, kx::KXFiltPres[kx::LowPass2]); }
void BM_Blur(benchmark::State& state) { BM_Filter(state, kx::KXFiltPres[kx::fpBlur]); }
void BM_WideKernel(benchmark::State& state) {
  BM_Filter(state, kx::TGraphFilter{{{-100, 0, 100}, {-200, 1, 200}, {-100, 0, 100}}, 3});
}

}  // namespace

BENCHMARK(BM_HighPass1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighPass1Polygon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LowPass2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideKernel)->Unit(benchmark::kMillisecond);
