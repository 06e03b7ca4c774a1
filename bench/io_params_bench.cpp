// One preview of the I/O parameters dialog on a 540 x 540 photograph, for each format and the
// options that change the work: the whole round trip the dialog runs after a slider move or a
// list choice (save into memory with the chosen options, read back), timed through the
// dialog's editor without widgets. A preview has to stay well under 30 ms to feel immediate
// while a slider is dragged.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/dialogs/io_params_editor.h"
#include "imaging/io/format_registry.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace {

using namespace kx;

const TBitmap& Photo() {
  static const TBitmap picture = kxbench::MakePhoto(540, 540);
  return picture;
}

void Preview(benchmark::State& state, TPreviewParamsItems page, std::vector<std::pair<TIOControl, int32_t>> options) {
  if (!KXFileFormatAbilities(KXIOPageFileType(page)).Writes) {
    state.SkipWithError(("no " + std::string(KXIOPageCaption(page)) + " writer yet").c_str());
    return;
  }
  // As every program of the project does at start-up, so that GIF and LZW TIFF previews run.
  static const bool coders = (KXInstallLZWCoders(), true);
  benchmark::DoNotOptimize(coders);
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, Photo());
  editor.SetActivePage(page);
  for (const auto& [control, value] : options) editor.SetValue(control, value);
  const TKXIOPreviewJob job = editor.PreviewJob();
  for (auto _ : state) {
    TKXIOPreviewResult result = KXRunIOPreview(job);
    benchmark::DoNotOptimize(result.Size);
  }
  kxbench::CountMegapixels(state, int64_t(Photo().Width()) * Photo().Height());
}

#define KX_PREVIEW(name, page, ...) \
  BENCHMARK_CAPTURE(Preview, name, page, {__VA_ARGS__})->Unit(benchmark::kMillisecond)->UseRealTime()

KX_PREVIEW(JpegQuality50, ppJPEG);
KX_PREVIEW(JpegQuality95, ppJPEG, {icJpegQuality, 95});
KX_PREVIEW(JpegGray, ppJPEG, {icJpegColorSpace, ioJPEG_GRAYLEV});
KX_PREVIEW(JpegFloatDct, ppJPEG, {icJpegDctMethod, ioJPEG_FLOAT});
KX_PREVIEW(JpegOptimalHuffman, ppJPEG, {icJpegOptimalHuffman, 1});
KX_PREVIEW(JpegProgressive, ppJPEG, {icJpegProgressive, 1});
KX_PREVIEW(JpegSmoothing, ppJPEG, {icJpegSmoothing, 50});
KX_PREVIEW(Bmp16M, ppBMP);
KX_PREVIEW(Bmp256, ppBMP, {icBmpColors, 2});
KX_PREVIEW(Bmp256Rle, ppBMP, {icBmpColors, 2}, {icBmpCompression, ioBMP_RLE});
KX_PREVIEW(Bmp16, ppBMP, {icBmpColors, 1});
KX_PREVIEW(BmpBlackAndWhite, ppBMP, {icBmpColors, 0});
KX_PREVIEW(Png16M, ppPNG);
KX_PREVIEW(Png256, ppPNG, {icPngColors, 1});
KX_PREVIEW(PngBlackAndWhite, ppPNG, {icPngColors, 0});
KX_PREVIEW(PngPaethMax, ppPNG, {icPngFilter, ioPNG_FILTER_PAETH}, {icPngCompression, 9});
KX_PREVIEW(PngInterlaced, ppPNG, {icPngInterlaced, 1});
KX_PREVIEW(Tiff16M, ppTIFF);
KX_PREVIEW(TiffPackBits, ppTIFF, {icTiffCompression, ioTIFF_PACKBITS});
KX_PREVIEW(TiffLzw, ppTIFF, {icTiffCompression, ioTIFF_LZW});
KX_PREVIEW(TiffBlackAndWhite, ppTIFF, {icTiffColors, 0});
KX_PREVIEW(Gif256, ppGIF);
KX_PREVIEW(GifInterlaced, ppGIF, {icGifInterlaced, 1});
KX_PREVIEW(Pcx16M, ppPCX, {icPcxColors, 3});
KX_PREVIEW(Pcx256, ppPCX, {icPcxColors, 2});
KX_PREVIEW(PcxBlackAndWhite, ppPCX, {icPcxColors, 0});
KX_PREVIEW(Tga16M, ppTGA);
KX_PREVIEW(Tga256, ppTGA, {icTgaColors, 1});
KX_PREVIEW(TgaUncompressed, ppTGA, {icTgaCompressed, 0});

}  // namespace
