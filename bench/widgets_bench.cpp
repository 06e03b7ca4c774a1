// The widgets: drawing each one at 400 x 200 after a change (the change that costs it most:
// a new hue redraws the colour square), and the histogram box's counting of a 12-megapixel
// picture beside the processing component's GetHistogram alone, which it should match.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/view/headless_host.h"
#include "imaging/widgets/histogram_box.h"
#include "imaging/widgets/hsv_box.h"
#include "imaging/widgets/ruler_box.h"

namespace {

constexpr int32_t kWidth = 400, kHeight = 200;

kx::TBitmap& Photo() {
  static kx::TBitmap photo = kxbench::MakePhoto(4000, 3000);
  return photo;
}

void BM_HistogramDraw(benchmark::State& state) {
  kx::TKestrixProc proc;
  proc.SetAttachedBitmap(&Photo());
  kx::THistogramBox box;
  kx::THeadlessHost host(box, kWidth, kHeight);
  box.SetHistogramStyle(kx::THistogramStyle(state.range(0)));
  box.SetHistogramKind({kx::hkRed, kx::hkGreen, kx::hkBlue, kx::hkGray});
  box.SetAttachedKestrixProc(&proc);
  int32_t i = 0;
  for (auto _ : state) {
    box.SetBackground(++i & 1 ? kx::clWhite : 0xF0F0F0);
    benchmark::DoNotOptimize(box.Render().Top);
  }
  kxbench::CountMegapixels(state, int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_HistogramDraw)->ArgName("lines")->Arg(kx::hsBars)->Arg(kx::hsLines)->Unit(benchmark::kMicrosecond);

void BM_HSVDraw(benchmark::State& state) {
  kx::THSVBox box;
  kx::THeadlessHost host(box, kWidth, kHeight);
  int32_t i = 0;
  for (auto _ : state) {
    box.SetHue(++i % 360);
    benchmark::DoNotOptimize(box.Render().Top);
  }
  kxbench::CountMegapixels(state, int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_HSVDraw)->Unit(benchmark::kMicrosecond);

void BM_RulerDraw(benchmark::State& state) {
  kx::TRulerBox ruler;
  kx::THeadlessHost host(ruler, kWidth, kHeight);
  ruler.SetFrequency(5);
  ruler.SetGripsCount(4);
  for (int32_t g = 0; g < 4; ++g) ruler.SetGripsPos(g, 50 + 90 * g);
  int32_t i = 0;
  for (auto _ : state) {
    ruler.SetViewPos(++i % 100 - 50.5);
    benchmark::DoNotOptimize(ruler.Render().Top);
  }
  kxbench::CountMegapixels(state, int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_RulerDraw)->Unit(benchmark::kMicrosecond);

void BM_HistogramBoxCount(benchmark::State& state) {
  kx::TKestrixProc proc;
  proc.SetAttachedBitmap(&Photo());
  kx::THistogramBox box;
  box.SetAttachedKestrixProc(&proc);
  for (auto _ : state) {
    box.Update();
    benchmark::DoNotOptimize(box.Counts()[128].Gray);
  }
  kxbench::CountMegapixels(state, int64_t(Photo().Width()) * Photo().Height());
}
BENCHMARK(BM_HistogramBoxCount)->Unit(benchmark::kMillisecond);

void BM_GetHistogram(benchmark::State& state) {
  kx::TKestrixProc proc;
  proc.SetAttachedBitmap(&Photo());
  kx::THistogram histogram;
  for (auto _ : state) {
    proc.GetHistogram(histogram);
    benchmark::DoNotOptimize(histogram[128].Gray);
  }
  kxbench::CountMegapixels(state, int64_t(Photo().Width()) * Photo().Height());
}
BENCHMARK(BM_GetHistogram)->Unit(benchmark::kMillisecond);

}  // namespace
