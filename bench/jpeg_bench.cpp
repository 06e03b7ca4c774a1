// Throughput of the JPEG codec on a 12-megapixel 4:2:0 photograph: decoding at every scale,
// decoding a progressive file, encoding at two qualities in both modes, and reading the
// parameters alone. Every figure counts the pixels of the full-size picture, so a scaled decode
// shows how much faster it delivers the same photograph.
//
// KX_BENCH_JPEG=<file> takes the picture from that JPEG instead of making one, so that the
// comparison script runs this program and the peers on the same pixels. Rates use wall time,
// as tjbench and the whole-process timings do.
#include <benchmark/benchmark.h>

#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"

namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TMemoryStream;

const TBitmap& SourcePicture() {
  static const TBitmap picture = kxbench::PhotoOrFile("KX_BENCH_JPEG", &kx::ReadJPegStream);
  return picture;
}

int64_t SourcePixels() { return int64_t(SourcePicture().Width()) * SourcePicture().Height(); }

// Encodes the source picture once per setting; the decoding benchmarks read these bytes.
const TMemoryStream& EncodedPicture(int quality, bool progressive) {
  static std::map<std::pair<int, bool>, TMemoryStream> cache;
  auto [it, added] = cache.try_emplace({quality, progressive});
  if (added) {
    TBitmap bmp = SourcePicture();
    TIOParamsVals params;
    params.JPEG_Quality = quality;
    params.JPEG_Progressive = progressive;
    kx::TProgressRec progress = kx::NullProgress();
    kx::WriteJPegStream(it->second, bmp, params, progress);
    if (progress.Aborted()) throw std::runtime_error("cannot encode the source picture");
  }
  return it->second;
}

kx::TIOJPEGScale ScaleFor(int denominator) {
  switch (denominator) {
    case 2:
      return kx::ioJPEG_HALF;
    case 4:
      return kx::ioJPEG_QUARTER;
    case 8:
      return kx::ioJPEG_EIGHTH;
    default:
      return kx::ioJPEG_FULLSIZE;
  }
}

void Decode(benchmark::State& state, bool progressive, int denominator, bool preview) {
  TMemoryStream stream(EncodedPicture(90, progressive).Bytes());
  TBitmap bmp;
  TIOParamsVals params;
  for (auto _ : state) {
    stream.SetPosition(0);
    params.JPEG_Scale = ScaleFor(denominator);
    kx::TProgressRec progress = kx::NullProgress();
    kx::ReadJPegStream(stream, bmp, params, preview, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the decoder aborted");
      return;
    }
  }
  if (params.Width != (SourcePicture().Width() + denominator - 1) / denominator) {
    state.SkipWithError("unexpected output width");
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}

void BM_JpegDecode(benchmark::State& state) { Decode(state, false, int(state.range(0)), false); }
BENCHMARK(BM_JpegDecode)
    ->ArgName("denominator")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_JpegDecodeProgressive(benchmark::State& state) { Decode(state, true, 1, false); }
BENCHMARK(BM_JpegDecodeProgressive)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegReadParams(benchmark::State& state) { Decode(state, false, 1, true); }
BENCHMARK(BM_JpegReadParams)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_JpegEncode(benchmark::State& state) {
  TBitmap bmp = SourcePicture();
  TIOParamsVals params;
  params.JPEG_Quality = int32_t(state.range(0));
  params.JPEG_Progressive = state.range(1) != 0;
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    kx::TProgressRec progress = kx::NullProgress();
    kx::WriteJPegStream(stream, bmp, params, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the encoder aborted");
      return;
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}
BENCHMARK(BM_JpegEncode)
    ->ArgNames({"quality", "progressive"})
    ->Args({60, 0})
    ->Args({90, 0})
    ->Args({60, 1})
    ->Args({90, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
