// Throughput of the PCX and Targa codecs on a 12-megapixel photograph: reading and writing
// 24-bit files raw and run-length coded, and 8-bit palette files coded (the writes include
// finding the palette), all in memory. Every figure counts the picture's pixels.
#include <benchmark/benchmark.h>

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/pcx_codec.h"
#include "imaging/io/tga_codec.h"

namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TMemoryStream;

enum TFormat { fmPcx, fmTga };

const TBitmap& SourcePicture() {
  static const TBitmap picture = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
  return picture;
}

int64_t SourcePixels() { return int64_t(SourcePicture().Width()) * SourcePicture().Height(); }

TIOParamsVals ParamsFor(int bits, bool rle) {
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = bits == 8 ? 1 : 3;
  params.PCX_Compression = rle ? kx::ioPCX_RLE : kx::ioPCX_UNCOMPRESSED;
  params.TGA_Compressed = rle;
  return params;
}

void WriteOnce(TFormat format, TMemoryStream& stream, TBitmap& bmp, TIOParamsVals& params, kx::TProgressRec& progress) {
  if (format == fmPcx)
    kx::WritePcxStream(stream, bmp, params, progress);
  else
    kx::WriteTGAStream(stream, bmp, params, progress);
}

// The source picture written once per setting; the reading benchmarks read these bytes.
const std::vector<uint8_t>& EncodedPicture(TFormat format, int bits, bool rle) {
  static std::map<std::tuple<TFormat, int, bool>, std::vector<uint8_t>> cache;
  auto [it, added] = cache.try_emplace({format, bits, rle});
  if (added) {
    TBitmap bmp = SourcePicture();
    TIOParamsVals params = ParamsFor(bits, rle);
    TMemoryStream stream;
    kx::TProgressRec progress = kx::NullProgress();
    WriteOnce(format, stream, bmp, params, progress);
    if (progress.Aborted()) throw std::runtime_error("cannot write the source picture");
    it->second = stream.Bytes();
  }
  return it->second;
}

void Read(benchmark::State& state, TFormat format, int bits, bool rle) {
  TMemoryStream stream(EncodedPicture(format, bits, rle));
  TBitmap bmp;
  TIOParamsVals params;
  for (auto _ : state) {
    stream.SetPosition(0);
    kx::TProgressRec progress = kx::NullProgress();
    if (format == fmPcx)
      kx::ReadPcxStream(stream, bmp, params, false, progress, stream.Size());
    else
      kx::ReadTGAStream(stream, bmp, params, false, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the reader aborted");
      return;
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}

void Write(benchmark::State& state, TFormat format, int bits, bool rle) {
  TBitmap bmp = SourcePicture();
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    TIOParamsVals params = ParamsFor(bits, rle);
    kx::TProgressRec progress = kx::NullProgress();
    WriteOnce(format, stream, bmp, params, progress);
    if (progress.Aborted()) {
      state.SkipWithError("the writer aborted");
      return;
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SourcePixels());
}

#define KX_PCX_TGA_BENCH(name, format, bits, rle)                                     \
  void BM_##name##Read(benchmark::State& state) { Read(state, format, bits, rle); }   \
  BENCHMARK(BM_##name##Read)->Unit(benchmark::kMillisecond)->UseRealTime();           \
  void BM_##name##Write(benchmark::State& state) { Write(state, format, bits, rle); } \
  BENCHMARK(BM_##name##Write)->Unit(benchmark::kMillisecond)->UseRealTime();

KX_PCX_TGA_BENCH(Pcx24Rle, fmPcx, 24, true)
KX_PCX_TGA_BENCH(Pcx24Raw, fmPcx, 24, false)
KX_PCX_TGA_BENCH(Pcx8Rle, fmPcx, 8, true)
KX_PCX_TGA_BENCH(Tga24Rle, fmTga, 24, true)
KX_PCX_TGA_BENCH(Tga24Raw, fmTga, 24, false)
KX_PCX_TGA_BENCH(Tga8Rle, fmTga, 8, true)

}  // namespace
