// The Fourier transform: forward (TKXFtImage::BuildFT from a picture) and inverse (BuildBitmap
// back into one) of 1024 x 1024 and 4096 x 4096 gray pictures and a 2048 x 2048 colour one, and
// the bare 2-D transform of one plane of each size. Where FFTW is found, its single-threaded
// FFTW_ESTIMATE plan of the same complex 2-D transform runs beside ours as the yardstick.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_support.h"
#include "imaging/proc/fourier.h"
#include "imaging/proc/fourier_transform.h"
#ifdef KX_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr int32_t kSides[] = {1024, 2048, 4096};

// Input values in -0.5..0.5 that vary from element to element.
float Sample(size_t i) { return float(int32_t((i * 2654435761u) >> 8 & 0xFFFF) - 32768) / 65536.0f; }

kx::TKXFtImageType TypeOf(const benchmark::State& state) { return state.range(1) ? kx::kxitRGB : kx::kxitGrayscale; }

void BM_Forward(benchmark::State& state) {
  const auto side = int32_t(state.range(0));
  const kx::TBitmap photo = kxbench::MakePhoto(side, side);
  kx::TKXFtImage ft;
  for (auto _ : state) benchmark::DoNotOptimize(ft.BuildFT(photo, TypeOf(state)));
  kxbench::CountMegapixels(state, int64_t(side) * side);
}

void BM_Inverse(benchmark::State& state) {
  const auto side = int32_t(state.range(0));
  kx::TKXFtImage ft;
  ft.BuildFT(kxbench::MakePhoto(side, side), TypeOf(state));
  kx::TBitmap back;
  for (auto _ : state) {
    ft.BuildBitmap(back);
    benchmark::DoNotOptimize(back.ScanLine(0));
  }
  kxbench::CountMegapixels(state, int64_t(side) * side);
}

// The 2-D transform of one plane in place, nothing around it.
void BM_Transform2D(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  kx::TKXFftTables tables;
  tables.Init(n);
  std::vector<float> plane(size_t(2) * size_t(n) * size_t(n));
  for (size_t i = 0; i < plane.size(); ++i) plane[i] = Sample(i);
  for (auto _ : state) {
    kx::KXFft2D(tables, plane.data(), -1, kx::TProgressRec{}, 0, 1);
    benchmark::DoNotOptimize(plane.data());
  }
  kxbench::CountMegapixels(state, int64_t(n) * n);
}

#ifdef KX_HAVE_FFTW
// Out of place, so that every round transforms the same input: FFTW does not scale, and
// transforming its own output again would soon overflow.
void BM_Fftw2D(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  const size_t count = size_t(n) * size_t(n);
  auto* in = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * count));
  auto* out = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * count));
  const fftwf_plan plan = fftwf_plan_dft_2d(n, n, in, out, FFTW_FORWARD, FFTW_ESTIMATE);
  for (size_t i = 0; i < count; ++i) {
    in[i][0] = Sample(2 * i);
    in[i][1] = Sample(2 * i + 1);
  }
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out);
  }
  fftwf_destroy_plan(plan);
  fftwf_free(out);
  fftwf_free(in);
  kxbench::CountMegapixels(state, int64_t(n) * n);
}
#endif

void Pictures(benchmark::internal::Benchmark* b) {
  b->ArgNames({"side", "rgb"})->Args({1024, 0})->Args({4096, 0})->Args({2048, 1});
}

void Planes(benchmark::internal::Benchmark* b) {
  for (int32_t side : kSides) b->Arg(side);
}

}  // namespace

BENCHMARK(BM_Forward)->Apply(Pictures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Inverse)->Apply(Pictures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transform2D)->Apply(Planes)->Unit(benchmark::kMillisecond);
#ifdef KX_HAVE_FFTW
BENCHMARK(BM_Fftw2D)->Apply(Planes)->Unit(benchmark::kMillisecond);
#endif
