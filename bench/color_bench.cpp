// Colour and tone operations on a 12-megapixel photograph (MP/s of the picture): the point
// operations, hue shifts, equalisation, statistics, colour reduction and 1-bit conversions,
// and the application's live-preview step (copy a 540 x 540 picture, brightness, contrast).
#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/color.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace {

const kx::TBitmap& Photo() {
  static const kx::TBitmap photo = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
  return photo;
}

int64_t PhotoPixels() { return int64_t(Photo().Width()) * Photo().Height(); }

// Operations that keep the format run again and again on one copy.
void BM_InPlace(benchmark::State& state, const std::function<void(kx::TKestrixProc&)>& op) {
  kxbench::RunOnCopy(state, Photo(), op);
}

// Operations that change the picture beyond repeating start from a fresh copy each time.
void BM_Fresh(benchmark::State& state, const std::function<void(kx::TKestrixProc&)>& op) {
  kx::TBitmap work;
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&work);
  for (auto _ : state) {
    state.PauseTiming();
    kx::KXCopyBitmap(Photo(), work);
    state.ResumeTiming();
    op(proc);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, PhotoPixels());
}

void BM_Quantizer(benchmark::State& state) {
  const auto colors = int32_t(state.range(0));
  std::vector<kx::TRGB> palette(static_cast<size_t>(colors));
  for (auto _ : state) {
    const kx::TKXQuantizer q(Photo(), palette, colors);
    benchmark::DoNotOptimize(q.GetRGBIndex(kx::TRGB{1, 2, 3}));
  }
  kxbench::CountMegapixels(state, PhotoPixels());
}

void BM_LivePreview(benchmark::State& state) {
  static const kx::TBitmap preview = kxbench::MakePhoto(540, 540, 3);
  kx::TBitmap work;
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&work);
  for (auto _ : state) {
    kx::KXCopyBitmap(preview, work);
    proc.IntensityRGBall(20, 20, 20);
    proc.Contrast(30);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
  kxbench::CountMegapixels(state, 540 * 540);
}

using kx::CreateRGB;

BENCHMARK_CAPTURE(BM_InPlace, IntensityRGBall, [](kx::TKestrixProc& p) {
  p.IntensityRGBall(20, 20, 20);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, Contrast, [](kx::TKestrixProc& p) { p.Contrast(30); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, Negative, [](kx::TKestrixProc& p) { p.Negative(); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertToGray, [](kx::TKestrixProc& p) {
  p.ConvertToGray();
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, HSLvar, [](kx::TKestrixProc& p) { p.HSLvar(10, 0, 0); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, HSVvar, [](kx::TKestrixProc& p) { p.HSVvar(10, 0, 0); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, CastColorRange, [](kx::TKestrixProc& p) {
  p.CastColorRange(CreateRGB(0, 0, 0), CreateRGB(128, 128, 128), CreateRGB(0, 0, 0));
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, Threshold, [](kx::TKestrixProc& p) {
  p.Threshold(CreateRGB(40, 40, 40), CreateRGB(220, 220, 220), CreateRGB(0, 0, 0), CreateRGB(255, 255, 255));
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, HistEqualize, [](kx::TKestrixProc& p) {
  p.HistEqualize(CreateRGB(20, 20, 20), CreateRGB(230, 230, 230));
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, HistAutoEqualize, [](kx::TKestrixProc& p) {
  p.HistAutoEqualize();
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, GetHistogram, [](kx::TKestrixProc& p) {
  kx::THistogram h;
  p.GetHistogram(h);
  benchmark::DoNotOptimize(h[0].r);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, CalcImageNumColors, [](kx::TKestrixProc& p) {
  benchmark::DoNotOptimize(p.CalcImageNumColors());
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, CalcImagePalette, [](kx::TKestrixProc& p) {
  std::vector<kx::TRGB> palette(256);
  p.CalcImagePalette(palette, 256);
  benchmark::DoNotOptimize(palette.data());
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertToPalette, [](kx::TKestrixProc& p) {
  std::vector<kx::TRGB> palette(256);
  p.ConvertToPalette(256, palette);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertTo256, [](kx::TKestrixProc& p) { p.ConvertTo(256); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertTo16, [](kx::TKestrixProc& p) { p.ConvertTo(16); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertTo300, [](kx::TKestrixProc& p) { p.ConvertTo(300); })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_Fresh, ConvertToBWOrdered, [](kx::TKestrixProc& p) {
  p.ConvertToBWOrdered();
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertToBWThreshold, [](kx::TKestrixProc& p) {
  p.ConvertToBWThreshold(-1);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fresh, ConvertTo24Bit, [](kx::TKestrixProc& p) {
  p.SetAutoUndo(false);
  p.ConvertToBWOrdered();
  p.ConvertTo24Bit();
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, GetRGBChannel, [](kx::TKestrixProc& p) {
  benchmark::DoNotOptimize(p.GetRGBChannel(2));
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, GetHSVChannel, [](kx::TKestrixProc& p) {
  benchmark::DoNotOptimize(p.GetHSVChannel(0));
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, GetRGBChannelAll, [](kx::TKestrixProc& p) {
  kx::TBitmap red, green, blue;
  p.GetRGBChannelAll(red, green, blue);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, GetHSVChannelAll, [](kx::TKestrixProc& p) {
  kx::TBitmap hue, saturation, value;
  p.GetHSVChannelAll(hue, saturation, value);
})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quantizer)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LivePreview)->Unit(benchmark::kMicrosecond);

}  // namespace
