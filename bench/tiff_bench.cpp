// Throughput of the TIFF codec: a 12-megapixel photograph read and written uncompressed and with
// PackBits, and an A4 page at 300 dpi (2480 x 3508, text-like) read and written in Group 3 one-
// and two-dimensional and Group 4 fax coding. Every figure counts the picture's pixels.
#include <benchmark/benchmark.h>

#include <map>
#include <stdexcept>
#include <string>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "tests/io/text_page.h"

namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TMemoryStream;

constexpr int32_t kPageWidth = 2480, kPageHeight = 3508;

const TBitmap& Photo() {
  static const TBitmap photo = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
  return photo;
}

const TBitmap& Page() {
  static const TBitmap page = kxtest::TextPage(kPageWidth, kPageHeight);
  return page;
}

bool IsFax(kx::TIOTIFFCompression c) {
  return c == kx::ioTIFF_G3FAX1D || c == kx::ioTIFF_G3FAX2D || c == kx::ioTIFF_G4FAX;
}

const TBitmap& Source(kx::TIOTIFFCompression c) { return IsFax(c) ? Page() : Photo(); }

TIOParamsVals Settings(kx::TIOTIFFCompression c) {
  TIOParamsVals params;
  params.TIFF_Compression = c;
  params.BitsPerSample = IsFax(c) ? 1 : 8;
  params.SamplesPerPixel = IsFax(c) ? 1 : 3;
  return params;
}

const TMemoryStream& Encoded(kx::TIOTIFFCompression c) {
  static std::map<kx::TIOTIFFCompression, TMemoryStream> cache;
  auto [it, added] = cache.try_emplace(c);
  if (added) {
    TBitmap bmp = Source(c);
    TIOParamsVals params = Settings(c);
    kx::TProgressRec progress = kx::NullProgress();
    kx::TIFFWriteStream(it->second, false, bmp, params, progress);
    if (progress.Aborted()) throw std::runtime_error("cannot encode the source picture");
  }
  return it->second;
}

void BM_TiffRead(benchmark::State& state) {
  const auto c = kx::TIOTIFFCompression(state.range(0));
  TMemoryStream stream(Encoded(c).Bytes());
  TBitmap bmp;
  TIOParamsVals params;
  for (auto _ : state) {
    stream.SetPosition(0);
    kx::TProgressRec progress = kx::NullProgress();
    int32_t pages = 0;
    kx::TIFFReadStream(bmp, stream, pages, &params, progress, false);
    if (progress.Aborted()) return state.SkipWithError("the decoder aborted");
  }
  if (bmp.Width() != Source(c).Width()) state.SkipWithError("unexpected output width");
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, int64_t(bmp.Width()) * bmp.Height());
}

void BM_TiffWrite(benchmark::State& state) {
  const auto c = kx::TIOTIFFCompression(state.range(0));
  TBitmap bmp = Source(c);
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetSize(0);
    stream.SetPosition(0);
    TIOParamsVals params = Settings(c);
    kx::TProgressRec progress = kx::NullProgress();
    kx::TIFFWriteStream(stream, false, bmp, params, progress);
    if (progress.Aborted()) return state.SkipWithError("the encoder aborted");
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, int64_t(bmp.Width()) * bmp.Height());
}

void Compressions(benchmark::internal::Benchmark* b) {
  b->ArgName("compression");
  for (auto c :
       {kx::ioTIFF_UNCOMPRESSED, kx::ioTIFF_PACKBITS, kx::ioTIFF_G3FAX1D, kx::ioTIFF_G3FAX2D, kx::ioTIFF_G4FAX})
    b->Arg(c);
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_TiffRead)->Apply(Compressions);
BENCHMARK(BM_TiffWrite)->Apply(Compressions);

}  // namespace
