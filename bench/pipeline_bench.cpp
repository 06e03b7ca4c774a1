// The application's picture pipeline in process: the whole job on a 12-megapixel photograph
// (load, fit to the display, preview JPEG), the live preview that follows every move of the
// brightness slider, and the preview rebuild alone, both on a 540 x 540 working copy. The
// pipeline's own composites and slider models are driven, so these are the window's code paths.
//
// KX_BENCH_JPEG=<file> takes the photograph from that JPEG instead of making one, as jpeg_bench
// does, so that the comparison script times this program and the peers on the same file. The
// preview files go to a scratch folder (in /dev/shm when it is writable, so that no disk is
// timed), removed at the end. Rates use wall time, as the whole-process timings do.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/pipeline.h"
#include "app/working_files.h"
#include "bench/bench_support.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"

namespace {

using kx::TBitmap;
using quillop::TPicturePipeline;
using quillop::TPreviewFiles;

// The photograph and the previews go to a folder of this run's own, removed when the program
// ends; in memory when /dev/shm is writable.
quillop::TScratchFolder& Scratch() {
  static quillop::TScratchFolder folder(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : quillop::TemporaryFolder(),
                                        "pipeline-bench");
  return folder;
}

// The photograph as a file, as the application gets it: the given JPEG, or jpeg_bench's picture
// written at quality 90 (baseline 4:2:0) into the scratch folder.
const std::string& PhotoFile() {
  static const std::string path = [] {
    const char* file = std::getenv("KX_BENCH_JPEG");
    if (file != nullptr && *file != '\0') return std::string(file);
    TBitmap photo = kxbench::MakePhoto(kxbench::kPhotoWidth, kxbench::kPhotoHeight);
    kx::TIOParamsVals params;
    params.JPEG_Quality = 90;
    kx::TMemoryStream jpeg;
    kx::TProgressRec progress = kx::NullProgress();
    kx::WriteJPegStream(jpeg, photo, params, progress);
    if (progress.Aborted()) throw std::runtime_error("cannot encode the photograph");
    const std::string name = Scratch().Path() + "/photo.jpg";
    jpeg.SaveToFile(name);
    return name;
  }();
  return path;
}

// A pipeline whose working copy is a 540 x 540 photograph, with the display built from it once.
struct TSquarePipeline {
  TPreviewFiles Previews{Scratch().Path()};
  TPicturePipeline Pipeline{Previews};

  TSquarePipeline() {
    const TBitmap square = kxbench::MakePhoto(quillop::kDisplaySide, quillop::kDisplaySide);
    Pipeline.Kestrix_Buffer.Assign(&square);
    Pipeline.SaveTempJpeg();
  }
  ~TSquarePipeline() { Previews.DeletePreview(); }
};

int64_t SquarePixels() { return int64_t(quillop::kDisplaySide) * quillop::kDisplaySide; }

void BM_PrepareWholeJob(benchmark::State& state) {
  const std::string& photo = PhotoFile();
  TPreviewFiles previews(Scratch().Path());
  TPicturePipeline pipeline(previews);
  int64_t pixels = 0;
  for (auto _ : state) {
    pipeline.LoadFitted(photo);
    if (pipeline.Kestrix_Save.Aborting()) {
      state.SkipWithError("the photograph could not be read");
      return;
    }
    pipeline.PreProcessImage();
    pixels = int64_t(pipeline.Kestrix_Save.IOParams().Width) * pipeline.Kestrix_Save.IOParams().Height;
    benchmark::DoNotOptimize(pipeline.PreviewBytes().data());
  }
  previews.DeletePreview();
  state.SetLabel(std::to_string(pixels / 1000000) + " MP source");
  kxbench::CountMegapixels(state, pixels);
}
BENCHMARK(BM_PrepareWholeJob)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each drag of the brightness thumb rebuilds the display from the working copy with brightness
// and contrast; the value alternates so that every step is a change the slider reports.
void BM_LivePreview(benchmark::State& state) {
  TSquarePipeline square;
  TPicturePipeline& pipeline = square.Pipeline;
  pipeline.SB_Contrast.SetValue(30);
  int32_t brightness = 20;
  for (auto _ : state) {
    pipeline.SB_Brightness.DragTo(brightness);
    brightness = -brightness;
    benchmark::DoNotOptimize(pipeline.Kestrix_Display.Bitmap().ScanLine(0));
  }
  kxbench::CountMegapixels(state, SquarePixels());
}
BENCHMARK(BM_LivePreview)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The rebuild after every edit and slider release: encode, write, decode into the display.
void BM_SaveTempJpeg(benchmark::State& state) {
  TSquarePipeline square;
  TPicturePipeline& pipeline = square.Pipeline;
  for (auto _ : state) pipeline.SaveTempJpeg();
  state.SetLabel(std::to_string(pipeline.PreviewBytes().size() / 1024) + " KiB");
  kxbench::CountMegapixels(state, SquarePixels());
}
BENCHMARK(BM_SaveTempJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
