// Throughput of the BMP codec on a 12-megapixel photograph: reading and writing 24-bit,
// 8-bit and RLE8 files in memory, and, as the yardstick of the uncompressed read, a plain copy
// of the same file's bytes into a picture-sized block.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"

namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TMemoryStream;

const TBitmap& SourcePicture() {
  static const TBitmap picture = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
  return picture;
}

int64_t SourcePixels() { return int64_t(SourcePicture().Width()) * SourcePicture().Height(); }

TIOParamsVals ParamsFor(int bits, bool rle) {
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = bits == 8 ? 1 : 3;
  params.BMP_Compression = rle ? kx::ioBMP_RLE : kx::ioBMP_UNCOMPRESSED;
  return params;
}

// The source picture written once per setting; the reading benchmarks read these bytes.
const std::vector<uint8_t>& EncodedPicture(int bits, bool rle) {
  static std::map<std::pair<int, bool>, std::vector<uint8_t>> cache;
  auto [it, added] = cache.try_emplace({bits, rle});
  if (added) {
    TBitmap bmp = SourcePicture();
    TIOParamsVals params = ParamsFor(bits, rle);
    TMemoryStream stream;
    kx::TProgressRec progress = kx::NullProgress();
    kx::BMPWriteStream(stream, bmp, params, progress);
    if (progress.Aborted()) throw std::runtime_error("cannot write the source picture");
    it->second = stream.Bytes();
  }
  return it->second;
}

void Read(benchmark::State& state, int bits, bool rle) {
  TMemoryStream stream(EncodedPicture(bits, rle));
  TBitmap bmp;
  TIOParamsVals params;
  for (auto _ : state) {
    stream.SetPosition(0);
    kx::TProgressRec progress = kx::NullProgress();
    kx::BMPReadStream(stream, bmp, stream.Size(), params, false, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the reader aborted");
      return;
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}

void Write(benchmark::State& state, int bits, bool rle) {
  TBitmap bmp = SourcePicture();
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    TIOParamsVals params = ParamsFor(bits, rle);
    kx::TProgressRec progress = kx::NullProgress();
    kx::BMPWriteStream(stream, bmp, params, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the writer aborted");
      return;
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}

void BM_BmpRead24(benchmark::State& state) { Read(state, 24, false); }
BENCHMARK(BM_BmpRead24)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_BmpRead8(benchmark::State& state) { Read(state, 8, false); }
BENCHMARK(BM_BmpRead8)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_BmpReadRle8(benchmark::State& state) { Read(state, 8, true); }
BENCHMARK(BM_BmpReadRle8)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_BmpWrite24(benchmark::State& state) { Write(state, 24, false); }
BENCHMARK(BM_BmpWrite24)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_BmpWrite8(benchmark::State& state) { Write(state, 8, false); }
BENCHMARK(BM_BmpWrite8)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_BmpWriteRle8(benchmark::State& state) { Write(state, 8, true); }
BENCHMARK(BM_BmpWriteRle8)->Unit(benchmark::kMillisecond)->UseRealTime();

// The bytes of the 24-bit file copied into a fresh picture-sized block: what reading it costs
// at the least.
void BM_BmpPlainCopy24(benchmark::State& state) {
  const std::vector<uint8_t>& file = EncodedPicture(24, false);
  for (auto _ : state) {
    TBitmap bmp(SourcePicture().Width(), SourcePicture().Height(), kx::pf24bit);
    std::memcpy(bmp.Bits(), file.data() + 54, file.size() - 54);
    benchmark::DoNotOptimize(bmp.Bits());
  }
  kxbench::CountMegapixels(state, SourcePixels());
}
BENCHMARK(BM_BmpPlainCopy24)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
