// Throughput of the PNG codec on a 12-megapixel photograph, as RGB and as a 256-colour palette
// picture: decoding, encoding at zlib levels 1, 6 and 9 with the Paeth filter (the palette
// encoding includes finding the palette), and reading the parameters alone. Every figure counts
// the picture's pixels.
//
// KX_BENCH_PNG=<file> takes the picture from that PNG instead of making one, so that the
// comparison script runs this program and the peers on the same pixels. Rates use wall time.
#include <benchmark/benchmark.h>

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"

namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TMemoryStream;

const TBitmap& SourcePicture() {
  static const TBitmap picture = kxbench::PhotoOrFile("KX_BENCH_PNG", &kx::ReadPNGStream);
  return picture;
}

int64_t SourcePixels() { return int64_t(SourcePicture().Width()) * SourcePicture().Height(); }

TIOParamsVals Settings(bool palette, int level) {
  TIOParamsVals params;
  params.SamplesPerPixel = palette ? 1 : 3;
  params.PNG_Compression = level;
  params.PNG_Filter = kx::ioPNG_FILTER_PAETH;
  return params;
}

// Encodes the source picture once per setting; the decoding benchmarks read these bytes.
const TMemoryStream& EncodedPicture(bool palette, int level) {
  static std::map<std::tuple<bool, int>, TMemoryStream> cache;
  auto [it, added] = cache.try_emplace({palette, level});
  if (added) {
    TBitmap bmp = SourcePicture();
    kx::TProgressRec progress = kx::NullProgress();
    kx::WritePNGStream(it->second, bmp, Settings(palette, level), progress);
    if (progress.Aborted()) throw std::runtime_error("cannot encode the source picture");
  }
  return it->second;
}

void Decode(benchmark::State& state, bool preview) {
  const bool palette = state.range(0) != 0;
  TMemoryStream stream(EncodedPicture(palette, int(state.range(1))).Bytes());
  TBitmap bmp;
  TIOParamsVals params;
  for (auto _ : state) {
    stream.SetPosition(0);
    kx::TProgressRec progress = kx::NullProgress();
    kx::ReadPNGStream(stream, bmp, params, preview, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the decoder aborted");
      return;
    }
  }
  if (params.Width != SourcePicture().Width()) state.SkipWithError("unexpected output width");
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}

void BM_PngDecode(benchmark::State& state) { Decode(state, false); }
BENCHMARK(BM_PngDecode)
    ->ArgNames({"palette", "level"})
    ->ArgsProduct({{0, 1}, {1, 6, 9}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_PngReadParams(benchmark::State& state) { Decode(state, true); }
BENCHMARK(BM_PngReadParams)->ArgNames({"palette", "level"})->Args({0, 6})->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_PngEncode(benchmark::State& state) {
  TBitmap bmp = SourcePicture();
  const TIOParamsVals params = Settings(state.range(0) != 0, int(state.range(1)));
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    kx::TProgressRec progress = kx::NullProgress();
    kx::WritePNGStream(stream, bmp, params, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the encoder aborted");
      return;
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}
BENCHMARK(BM_PngEncode)
    ->ArgNames({"palette", "level"})
    ->ArgsProduct({{0, 1}, {1, 6, 9}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
