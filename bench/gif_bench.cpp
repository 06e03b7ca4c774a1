// Throughput of the GIF codec and its LZW coder on a 12-megapixel photograph at 8 bits and on a
// 100-frame 500 x 500 animation: the LZW decoder and encoder alone on the picture's indices,
// the whole read (blocks, decoding, painting the colours) and the whole write (the quantizer
// included), and every frame of the animation read by its index and written as a file of its
// own. Every figure counts the pixels decoded or encoded.
//
// KX_BENCH_GIF=<file> takes the picture from that GIF instead of making one, so that the
// comparison script runs this program and the peers on the same file. Rates use wall time.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_blocks.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TMemoryStream;

constexpr int32_t kFrames = 100;
constexpr int32_t kFrameSide = 500;

// Parameter records copy the coders when they are made.
const bool kInstalled = (kx::KXInstallLZWCoders(), true);

TIOParamsVals EightBits() {
  TIOParamsVals params;
  params.BitsPerSample = 8;
  return params;
}

const TMemoryStream& PictureFile() {
  static const TMemoryStream file = [] {
    TMemoryStream stream;
    if (const char* name = std::getenv("KX_BENCH_GIF"); name && *name) {
      stream.LoadFromFile(name);
      return stream;
    }
    TBitmap photo = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
    TIOParamsVals params = EightBits();
    kx::TProgressRec progress = kx::NullProgress();
    kx::WriteGifStream(stream, photo, params, progress);
    return stream;
  }();
  return file;
}

// The picture as read back, with its indices for the coder benchmarks.
struct TPicture {
  TBitmap Bitmap;
  std::vector<uint8_t> Indices;
  std::vector<uint8_t> Coded;  // its LZW data: the code size byte and the sub-blocks
  bool Interlaced = false;
};

const TPicture& Picture() {
  static const TPicture picture = [] {
    TPicture p;
    TMemoryStream stream(PictureFile().Bytes());
    TIOParamsVals params;
    int32_t count = 0;
    bool aborted = false;
    kx::TProgressRec progress = kx::NullProgress();
    progress.Aborting = &aborted;
    kx::ReadGifStream(stream, p.Bitmap, count, params, progress, false);
    if (aborted) throw std::runtime_error("cannot read the picture");
    // The first image's LZW data, found by walking the blocks, and the indices it holds.
    const std::vector<uint8_t>& bytes = PictureFile().Bytes();
    size_t at = kx::kGifHeaderSize + (bytes[10] & 0x80 ? 3 * (size_t(2) << (bytes[10] & 7)) : 0);
    kx::TGifBlock block = kx::GifBlockAt(bytes, at);
    while (block.Kind != kx::gbImage && block.Kind != kx::gbTrailer) block = kx::GifBlockAt(bytes, block.End);
    if (block.Kind != kx::gbImage) throw std::runtime_error("the picture has no image");
    const uint8_t packed = bytes[block.Begin + 9];
    const size_t data = block.Begin + kx::kGifDescriptorSize + (packed & 0x80 ? 3 * (size_t(2) << (packed & 7)) : 0);
    p.Coded.assign(bytes.begin() + int64_t(data), bytes.begin() + int64_t(block.End));
    p.Indices.resize(size_t(p.Bitmap.Width()) * size_t(p.Bitmap.Height()));
    p.Interlaced = packed & 0x40;
    TMemoryStream coded(p.Coded);
    if (!kx::KXGifLZWDecode(coded, p.Bitmap.Height(), p.Bitmap.Width(), p.Interlaced, p.Indices.data()))
      throw std::runtime_error("cannot decode the picture's data");
    return p;
  }();
  return picture;
}

int64_t PicturePixels() { return int64_t(Picture().Bitmap.Width()) * Picture().Bitmap.Height(); }

void BM_GifLZWDecode(benchmark::State& state) {
  const TPicture& p = Picture();
  TMemoryStream stream(p.Coded);
  std::vector<uint8_t> out(p.Indices.size());
  for (auto _ : state) {
    stream.SetPosition(0);
    if (!kx::KXGifLZWDecode(stream, p.Bitmap.Height(), p.Bitmap.Width(), p.Interlaced, out.data()))
      return state.SkipWithError("the decoder failed");
  }
  if (out != p.Indices) state.SkipWithError("the decoder gave other indices");
  state.SetLabel(std::to_string(p.Coded.size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, PicturePixels());
}
BENCHMARK(BM_GifLZWDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GifLZWEncode(benchmark::State& state) {
  const TPicture& p = Picture();
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    kx::KXGifLZWEncode(stream, p.Bitmap.Height(), p.Bitmap.Width(), false, p.Indices.data(), 8);
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, PicturePixels());
}
BENCHMARK(BM_GifLZWEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GifDecode(benchmark::State& state) {
  TMemoryStream stream(PictureFile().Bytes());
  TBitmap bitmap;
  for (auto _ : state) {
    stream.SetPosition(0);
    TIOParamsVals params;
    int32_t count = 0;
    bool aborted = false;
    kx::TProgressRec progress = kx::NullProgress();
    progress.Aborting = &aborted;
    kx::ReadGifStream(stream, bitmap, count, params, progress, false);
    if (aborted) return state.SkipWithError("the reader aborted");
  }
  kxbench::CountMegapixels(state, PicturePixels());
}
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GifEncode(benchmark::State& state) {
  TBitmap bitmap = Picture().Bitmap;
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    TIOParamsVals params = EightBits();
    kx::TProgressRec progress = kx::NullProgress();
    kx::WriteGifStream(stream, bitmap, params, progress);
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, PicturePixels());
}
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

// Frame i: a 500 x 500 window of the photograph moved a little further each frame.
TBitmap Frame(const TBitmap& photo, int32_t i) {
  TBitmap frame(kFrameSide, kFrameSide, kx::pf24bit);
  for (int32_t y = 0; y < kFrameSide; ++y) {
    const uint8_t* row = photo.ScanLine(y + i * 7) + size_t(i * 13) * 3;
    std::copy(row, row + kFrameSide * 3, frame.ScanLine(y));
  }
  return frame;
}

const std::vector<TBitmap>& Frames() {
  static const std::vector<TBitmap> frames = [] {
    const TBitmap photo = kxbench::MakePhoto(kFrameSide + kFrames * 13, kFrameSide + kFrames * 7, 3);
    std::vector<TBitmap> out;
    for (int32_t i = 0; i < kFrames; ++i) out.push_back(Frame(photo, i));
    return out;
  }();
  return frames;
}

const TMemoryStream& Animation() {
  static const TMemoryStream file = [] {
    TMemoryStream stream;
    TBitmap first = Frames()[0];
    TIOParamsVals params = EightBits();
    kx::TProgressRec progress = kx::NullProgress();
    kx::WriteGifStream(stream, first, params, progress);
    for (int32_t i = 1; i < kFrames; ++i) {
      TBitmap frame = Frames()[size_t(i)];
      params.GIF_ImageIndex = i;
      stream.SetPosition(0);
      kx::_InsertGifImStream(stream, frame, params, progress);
    }
    return stream;
  }();
  return file;
}

void BM_GifAnimationDecode(benchmark::State& state) {
  TMemoryStream stream(Animation().Bytes());
  TBitmap bitmap;
  for (auto _ : state) {
    for (int32_t i = 0; i < kFrames; ++i) {
      stream.SetPosition(0);
      TIOParamsVals params;
      params.GIF_ImageIndex = i;
      int32_t count = 0;
      bool aborted = false;
      kx::TProgressRec progress = kx::NullProgress();
      progress.Aborting = &aborted;
      kx::ReadGifStream(stream, bitmap, count, params, progress, false);
      if (aborted || count != kFrames) return state.SkipWithError("the reader aborted");
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, int64_t(kFrames) * kFrameSide * kFrameSide);
}
BENCHMARK(BM_GifAnimationDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GifAnimationEncode(benchmark::State& state) {
  std::vector<TBitmap> frames = Frames();
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    stream.SetSize(0);
    for (TBitmap& frame : frames) {
      TIOParamsVals params = EightBits();
      kx::TProgressRec progress = kx::NullProgress();
      kx::WriteGifStream(stream, frame, params, progress);
    }
  }
  state.SetLabel(std::to_string(stream.Size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, int64_t(kFrames) * kFrameSide * kFrameSide);
}
BENCHMARK(BM_GifAnimationEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
