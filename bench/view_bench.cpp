// The image view's paint of a 12-megapixel picture into a 1000 x 800 client area at several
// zooms (origin in the middle of the picture), with and without a patterned background, and
// one marching-ants tick. Megapixels are those of the client area painted.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "imaging/view/headless_host.h"
#include "imaging/view/view.h"

namespace {

constexpr int32_t kClientWidth = 1000, kClientHeight = 800;

const kx::TBitmap& Photo() {
  static const kx::TBitmap photo = kxbench::MakePhoto(4000, 3000);
  return photo;
}

struct TBenchView {
  kx::TKestrixView View;
  kx::THeadlessHost Host;
  explicit TBenchView(int32_t zoom, kx::TKXBackgroundStyle style = kx::kxbsSolid) {
    View.SetBounds(0, 0, kClientWidth + 2, kClientHeight + 2);
    Host.Attach(View);
    View.Assign(&Photo());
    View.SetBackgroundStyle(style);
    View.SetZoom(zoom);
    const kx::TPoint max = View.MaxView();
    View.SetViewXY(max.X / 2, max.Y / 2);
    Host.Snapshot();
  }
};

void BM_ViewPaint(benchmark::State& state) {
  TBenchView v(int32_t(state.range(0)), kx::TKXBackgroundStyle(state.range(1)));
  for (auto _ : state) {
    v.View.Paint();
    benchmark::DoNotOptimize(v.View.Buffer().ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(kClientWidth) * kClientHeight);
}
BENCHMARK(BM_ViewPaint)
    ->ArgNames({"zoom", "style"})
    ->Args({10, kx::kxbsSolid})
    ->Args({10, kx::kxbsChessboard})
    ->Args({10, kx::kxbsDiagCross})
    ->Args({25, kx::kxbsSolid})
    ->Args({100, kx::kxbsSolid})
    ->Args({400, kx::kxbsSolid})
    ->Unit(benchmark::kMillisecond);

// Double buffered: a paint after a plain invalidation only copies the off-screen picture.
void BM_ViewPaintBuffered(benchmark::State& state) {
  TBenchView v(int32_t(state.range(0)));
  v.View.SetDoubleBuffer(true);
  v.Host.Snapshot();
  for (auto _ : state) {
    v.View.Paint();
    benchmark::DoNotOptimize(v.View.Buffer().ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(kClientWidth) * kClientHeight);
}
BENCHMARK(BM_ViewPaintBuffered)->ArgName("zoom")->Arg(100)->Unit(benchmark::kMillisecond);

// One animation tick with a rectangle selection that runs around the visible area.
void BM_AntsTick(benchmark::State& state) {
  TBenchView v(100);
  v.View.SetSelectionBase(kx::kxsbClientArea);
  v.View.Select(20, 20, kClientWidth - 20, kClientHeight - 20, kx::kxspReplace);
  v.Host.Snapshot();
  for (auto _ : state) v.Host.Clock().Advance(kx::kKXAnimationInterval);
  state.counters["outline_px"] = double(2 * (kClientWidth - 40) + 2 * (kClientHeight - 40));
}
BENCHMARK(BM_AntsTick)->Unit(benchmark::kMicrosecond);

}  // namespace
