// The I/O parameters dialog's decisions without widgets: which pages show, how the controls
// follow one another, which change starts a preview, what OK and Cancel leave in the caller's
// parameters, and that every preview and size is what a real save to a file produces.
#include "imaging/dialogs/io_params_editor.h"

#include <gtest/gtest.h>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/stream.h"
#include "imaging/dialogs/palette_dialog.h"
#include "imaging/io/format_io.h"
#include "imaging/io/format_registry.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::MakePicture;
using kxtest::SameBitmap;

namespace {

bool Writes(TPreviewParamsItems page) { return KXFileFormatAbilities(KXIOPageFileType(page)).Writes; }

std::vector<uint8_t> Bytes(const TIOParamsVals& params) {
  TMemoryStream stream;
  params.SaveToStream(stream);
  return stream.Bytes();
}

TEST(IOParamsEditor, PageSetNamesThePagesWhoseFormatsWrite) {
  const TBitmap picture = MakePicture(8, 6);
  struct Case {
    TPreviewParams Pages;
    TIOFileType FileType;
    bool Accepted;
    TPreviewParams Shown;
  };
  const Case cases[] = {
      {{ppAUTO}, ioICO, false, {}},
      {{ppAUTO}, ioUnknown, false, {}},
      {{ppAUTO}, ioJPEG, true, {ppJPEG}},
      {{ppAUTO, ppPNG}, ioBMP, true, {ppBMP, ppPNG}},
      {{ppPNG}, ioJPEG, true, {ppPNG}},
      {{ppALL}, ioUnknown, true, {ppJPEG, ppTIFF, ppGIF, ppBMP, ppPCX, ppPNG, ppTGA}},
  };
  for (const Case& c : cases) {
    TIOParamsVals params;
    params.FileType = c.FileType;
    TKXIOParamsEditor editor(params, picture);
    EXPECT_EQ(editor.SetPreviewParams(c.Pages), c.Accepted) << c.Pages.Bits() << " " << c.FileType;
    for (TPreviewParamsItems page : kIOPages)
      EXPECT_EQ(editor.PageVisible(page), c.Shown.Contains(page) && Writes(page))
          << c.Pages.Bits() << " page " << KXIOPageCaption(page);
  }
}

TEST(IOParamsEditor, PageOfAFormatWithoutWriterLeavesNothingToShow) {
  for (TPreviewParamsItems page : kIOPages) {
    if (Writes(page)) continue;
    TIOParamsVals params;
    TKXIOParamsEditor editor(params, MakePicture(4, 4));
    EXPECT_FALSE(editor.SetPreviewParams({page})) << KXIOPageCaption(page);
  }
}

TEST(IOParamsEditor, TiffColoursFollowThePhotometricChoice) {
  struct Case {
    TIOTIFFPhotometInterpret Photometric;
    std::string_view Colors;
    bool Enabled;
  };
  const Case cases[] = {{ioTIFF_CMYK, "16M", false},        {ioTIFF_YCBCR, "16M", false},
                        {ioTIFF_CIELAB, "16M", false},      {ioTIFF_WHITEISZERO, "B/W", false},
                        {ioTIFF_BLACKISZERO, "B/W", false}, {ioTIFF_RGB, "16M", true}};
  const auto items = KXIOControlInfo(icTiffColors).Items;
  for (const Case& c : cases) {
    TIOParamsVals params;
    TKXIOParamsEditor editor(params, MakePicture(4, 4));
    editor.SetActivePage(ppTIFF);
    // From black and white, so the RGB case shows "B/W" giving way to "16M".
    editor.SetValue(icTiffPhotometric, ioTIFF_WHITEISZERO);
    editor.SetValue(icTiffPhotometric, c.Photometric);
    EXPECT_EQ(items[size_t(editor.Value(icTiffColors))], c.Colors) << int(c.Photometric);
    EXPECT_EQ(editor.Enabled(icTiffColors), c.Enabled) << int(c.Photometric);
    // A disabled list takes no choice.
    editor.SetValue(icTiffColors, 2);
    EXPECT_EQ(items[size_t(editor.Value(icTiffColors))], c.Enabled ? "256" : c.Colors);
  }
}

TEST(IOParamsEditor, TiffCmykWritesFourSamples) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(4, 4));
  editor.SetActivePage(ppTIFF);
  editor.SetValue(icTiffPhotometric, ioTIFF_CMYK);
  editor.Accept();
  EXPECT_EQ(params.TIFF_Photometric, ioTIFF_CMYK);
  EXPECT_EQ(params.SamplesPerPixel, 4);
  EXPECT_EQ(params.BitsPerSample, 8);
}

TEST(IOParamsEditor, LoadedPairsPickTheColourChoices) {
  struct Case {
    TPreviewParamsItems Page;
    int32_t Bits, Samples;
    std::string_view Shown;
  };
  const Case cases[] = {
      {ppTIFF, 8, 3, "16M"}, {ppTIFF, 4, 1, "16"},  {ppTIFF, 16, 1, "65536"}, {ppBMP, 5, 3, "65536"},
      {ppBMP, 8, 3, "16M"},  {ppBMP, 4, 1, "16"},   {ppPCX, 5, 3, "16M"},     {ppPCX, 8, 1, "256"},
      {ppPNG, 8, 3, "16M"},  {ppPNG, 1, 1, "B/W"},  {ppPNG, 4, 1, "256"},     {ppTGA, 16, 2, "16M"},
      {ppGIF, 4, 1, "16"},   {ppGIF, 12, 1, "256"}, {ppGIF, 0, 1, "B/W"},
  };
  for (const Case& c : cases) {
    TIOControl colors;
    ASSERT_TRUE(KXIOColorControl(c.Page, colors));
    TIOParamsVals params;
    params.BitsPerSample = c.Bits;
    params.SamplesPerPixel = c.Samples;
    TKXIOParamsEditor editor(params, MakePicture(4, 4));
    EXPECT_EQ(KXIOControlInfo(colors).Items[size_t(editor.Value(colors))], c.Shown)
        << KXIOPageCaption(c.Page) << " " << c.Bits << "," << c.Samples;
  }
}

TEST(IOParamsEditor, OnlyPictureChangesOfTheActivePageStartAPreviewWithTheLockDown) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(4, 4));
  editor.SetActivePage(ppGIF);
  editor.SetLockPreview(true);
  EXPECT_FALSE(editor.SetValue(icGifDelayTime, 25));
  EXPECT_FALSE(editor.SetValue(icGifHorizPosition, 3));
  EXPECT_FALSE(editor.SetValue(icGifImageIndex, 2));
  EXPECT_TRUE(editor.SetValue(icGifInterlaced, 1));
  EXPECT_TRUE(editor.SetValue(icGifColors, 3));
  // The same value again is no change.
  EXPECT_FALSE(editor.SetValue(icGifColors, 3));
  // Another page's option waits for its page.
  EXPECT_FALSE(editor.SetValue(icJpegQuality, 80));
  EXPECT_FALSE(editor.SetText(icTgaName, "x"));
  editor.SetLockPreview(false);
  EXPECT_TRUE(editor.PreviewButtonEnabled());
  EXPECT_FALSE(editor.SetValue(icGifInterlaced, 0));
  editor.SetActivePage(ppTGA);
  editor.SetLockPreview(true);
  EXPECT_FALSE(editor.SetText(icTgaDescription, "words"));
  EXPECT_TRUE(editor.SetValue(icTgaCompressed, 0));
}

TEST(IOParamsEditor, TransparentColourFollowsItsBox) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(4, 4));
  EXPECT_FALSE(editor.Enabled(icGifTransparentColor));
  editor.SetValue(icGifTransparent, 1);
  EXPECT_TRUE(editor.Enabled(icGifTransparentColor));
}

TEST(IOParamsEditor, TypedNumbersFallBackAndStayInRange) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(4, 4));
  const struct {
    TIOControl Control;
    const char* Text;
    int32_t Value;
  } cases[] = {{icJpegQuality, "75", 75},   {icJpegQuality, "x", 50},    {icJpegQuality, "", 50},
               {icJpegQuality, "250", 100}, {icJpegSmoothing, "12a", 0}, {icTiffImageIndex, "5000", 1000},
               {icGifDelayTime, "-3", 0}};
  for (const auto& c : cases) {
    editor.SetNumberText(c.Control, c.Text);
    EXPECT_EQ(editor.Value(c.Control), c.Value) << c.Text;
  }
}

TEST(IOParamsEditor, CancelLeavesTheParametersAndOkWritesEveryChangedPage) {
  TIOParamsVals params;
  params.JPEG_Quality = 30;
  params.TIFF_DocumentName = "scan";
  params.GIF_DelayTime = 7;
  const std::vector<uint8_t> before = Bytes(params);
  {
    TKXIOParamsEditor editor(params, MakePicture(16, 12));
    editor.SetActivePage(ppJPEG);
    editor.SetValue(icJpegQuality, 90);
    editor.TakePreview(KXRunIOPreview(editor.PreviewJob()));
    editor.SetActivePage(ppPNG);
    editor.SetValue(icPngFilter, ioPNG_FILTER_PAETH);
    editor.SetValue(icPngColors, 1);
    editor.TakePreview(KXRunIOPreview(editor.PreviewJob()));
  }
  EXPECT_EQ(Bytes(params), before) << "no Accept: a cancelled dialog";

  TKXIOParamsEditor editor(params, MakePicture(16, 12));
  editor.SetActivePage(ppJPEG);
  editor.SetValue(icJpegQuality, 90);
  editor.SetValue(icJpegProgressive, 1);
  editor.SetActivePage(ppBMP);
  editor.SetValue(icBmpColors, 1);
  editor.SetActivePage(ppPNG);
  editor.SetValue(icPngFilter, ioPNG_FILTER_PAETH);
  editor.SetValue(icPngColors, 1);
  editor.Accept();
  EXPECT_EQ(params.JPEG_Quality, 90);
  EXPECT_TRUE(params.JPEG_Progressive);
  EXPECT_EQ(params.PNG_Filter, ioPNG_FILTER_PAETH);
  // The shared colour pair is the active page's: PNG's "256", not BMP's "16".
  EXPECT_EQ(params.BitsPerSample, 8);
  EXPECT_EQ(params.SamplesPerPixel, 1);
  EXPECT_EQ(params.TIFF_DocumentName, "scan");
  EXPECT_EQ(params.GIF_DelayTime, 7);
}

TEST(IOParamsEditor, OkOnAPageWithoutColoursKeepsTheLastColourChange) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(4, 4));
  editor.SetActivePage(ppGIF);
  editor.SetValue(icGifColors, 3);
  editor.SetActivePage(ppJPEG);
  editor.Accept();
  // GIF writes its bit count only; the samples per pixel stay.
  EXPECT_EQ(params.BitsPerSample, 4);
  EXPECT_EQ(params.SamplesPerPixel, 3);
}

TEST(IOParamsEditor, SizeTexts) {
  TIOParamsVals params;
  TKXIOParamsEditor color(params, MakePicture(5, 3));
  EXPECT_EQ(color.UncompressedSizeText(), "48 bytes");
  EXPECT_EQ(color.CompressedSizeText(), "---");
  TKXIOParamsEditor mono(params, kxtest::Uniform(33, 3, 255, pf1bit));
  EXPECT_EQ(mono.UncompressedSizeText(), "24 bytes");
}

// A format whose writer always gives up, registered under a type code of its own.
constexpr TIOFileType kFailing = 200;
void FailingWrite(TStream& stream, TBitmap&, TIOParamsVals&, TProgressRec& progress) {
  const uint8_t b[3] = {1, 2, 3};
  stream.Write(b, 3);
  progress.Abort();
}

TEST(IOParamsEditor, AWriterThatGivesUpShowsNoSize) {
  KXFileFormatAdd({.FileType = kFailing, .FullName = "Failing", .Extensions = "FAIL", .WriteFunction = &FailingWrite});
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(8, 8));
  TKXIOPreviewJob job = editor.PreviewJob();
  job.FileType = kFailing;
  const TKXIOPreviewResult result = KXRunIOPreview(job);
  KXFileFormatRemove(kFailing);
  EXPECT_TRUE(result.Failed);
  editor.TakePreview(result);
  EXPECT_EQ(editor.CompressedSizeText(), "n/a");
}

void CancelAtFirstReport(void* flag, void*, int) { static_cast<std::atomic<bool>*>(flag)->store(true); }

TEST(IOParamsEditor, ACancelledPreviewIsDropped) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(64, 64));
  std::atomic<bool> cancel{false};
  const TKXIOPreviewResult result =
      KXRunIOPreview(editor.PreviewJob(), TProgressEvent{&CancelAtFirstReport, &cancel}, &cancel);
  EXPECT_TRUE(result.Cancelled);
  editor.TakePreview(result);
  EXPECT_EQ(editor.CompressedSizeText(), "---");
}

// Saves `picture` with `params` through the component, as the save dialog does, and reads the
// file back (with the size of the colour map it carries); false when the save aborted.
bool RealSave(const TBitmap& picture, const TIOParamsVals& params, const std::string& ext, int64_t& size,
              TBitmap& loaded, int32_t* colorMapCount = nullptr) {
  const std::string path = kxtest::TempPath(ext);
  TBitmap copy = picture;
  TKestrixIO io;
  io.SetAttachedBitmap(&copy);
  io.IOParams().Assign(params);
  io.SaveToFile(path);
  if (io.Aborting()) return false;
  size = int64_t(kxtest::ReadFile(path).size());
  TKestrixIO reader;
  reader.SetAttachedBitmap(&loaded);
  reader.LoadFromFile(path);
  if (colorMapCount) *colorMapCount = reader.IOParams().ColorMapCount;
  return !reader.Aborting();
}

TEST(IOParamsEditor, ALargePictureShowsAReducedResultAndTheWholeSize) {
  const TBitmap picture = MakePicture(1200, 900);
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, picture);
  editor.SetActivePage(ppPNG);
  const TKXIOPreviewResult result = KXRunIOPreview(editor.PreviewJob());
  ASSERT_FALSE(result.Failed);
  EXPECT_LE(int64_t(result.Picture.Width()) * result.Picture.Height(), TKXIOParamsEditor::kPreviewPixels);
  EXPECT_EQ(result.Picture.Width(), 623);
  int64_t size = 0;
  TBitmap loaded;
  ASSERT_TRUE(RealSave(picture, params, ".png", size, loaded));
  EXPECT_EQ(result.Size, size);
}

TEST(IOParamsEditor, PaletteIsTheSavedFilesOwn) {
  TIOParamsVals params;
  TKXIOParamsEditor editor(params, MakePicture(40, 30));
  editor.SetActivePage(ppPNG);
  editor.TakePreview(KXRunIOPreview(editor.PreviewJob()));
  EXPECT_FALSE(editor.ColorFromPalette(icPngBackground)) << "a full-colour file has no palette";
  editor.SetValue(icPngColors, 1);
  editor.TakePreview(KXRunIOPreview(editor.PreviewJob()));
  editor.Accept();
  int64_t size = 0;
  TBitmap loaded;
  int32_t count = 0;
  ASSERT_TRUE(RealSave(MakePicture(40, 30), params, ".png", size, loaded, &count));
  ASSERT_GT(count, 0);
  EXPECT_TRUE(editor.ColorFromPalette(icPngBackground));
  EXPECT_EQ(int32_t(editor.ColorMap().size()), count);
}

// One option changed from the defaults on one page.
struct TOptionCase {
  TPreviewParamsItems Page;
  std::vector<std::pair<TIOControl, int32_t>> Setup;
  TIOControl Control;
  int32_t Value;
  const char* Extension;
  const char* Name;
};

class IOParamsPreviewRoundTrip : public testing::TestWithParam<TOptionCase> {};

TEST_P(IOParamsPreviewRoundTrip, MatchesARealSave) {
  const TOptionCase& c = GetParam();
  if (!Writes(c.Page)) GTEST_SKIP() << "the " << KXIOPageCaption(c.Page) << " codec has no writer yet";
  const TBitmap picture = MakePicture(40, 30);
  TIOParamsVals params;
  params.FileType = KXIOPageFileType(c.Page);
  TKXIOParamsEditor editor(params, picture);
  ASSERT_TRUE(editor.SetPreviewParams({ppAUTO}));
  editor.SetActivePage(c.Page);
  for (const auto& [control, value] : c.Setup) editor.SetValue(control, value);
  const TKXIOPreviewResult before = KXRunIOPreview(editor.PreviewJob());
  editor.SetValue(c.Control, c.Value);
  const TKXIOPreviewResult after = KXRunIOPreview(editor.PreviewJob());
  editor.TakePreview(after);
  editor.Accept();

  int64_t size = 0;
  TBitmap loaded;
  if (!RealSave(picture, params, c.Extension, size, loaded)) {
    // No valid file (a GIF without an LZW coder): the dialog must not show a size either.
    EXPECT_TRUE(after.Failed);
    EXPECT_EQ(editor.CompressedSizeText(), "n/a");
    return;
  }
  ASSERT_FALSE(after.Failed);
  EXPECT_EQ(after.Size, size);
  EXPECT_EQ(editor.CompressedSizeText(), std::to_string(size) + " bytes");
  EXPECT_TRUE(SameBitmap(after.Picture, loaded));
  ASSERT_FALSE(before.Failed);
  EXPECT_TRUE(before.Size != after.Size || !SameBitmap(before.Picture, after.Picture)) << "the option changed nothing";
}

const TOptionCase kOptionCases[] = {
    {ppJPEG, {}, icJpegQuality, 90, ".jpg", "JpegQuality"},
    {ppJPEG, {}, icJpegColorSpace, ioJPEG_GRAYLEV, ".jpg", "JpegGray"},
    {ppJPEG, {}, icJpegDctMethod, ioJPEG_IFAST, ".jpg", "JpegFastDct"},
    {ppJPEG, {}, icJpegOptimalHuffman, 1, ".jpg", "JpegOptimalHuffman"},
    {ppJPEG, {}, icJpegProgressive, 1, ".jpg", "JpegProgressive"},
    {ppJPEG, {}, icJpegSmoothing, 60, ".jpg", "JpegSmoothing"},
    {ppBMP, {}, icBmpColors, 2, ".bmp", "Bmp256"},
    {ppBMP, {}, icBmpColors, 0, ".bmp", "BmpBlackAndWhite"},
    {ppBMP, {{icBmpColors, 2}}, icBmpCompression, ioBMP_RLE, ".bmp", "BmpRle"},
    {ppPNG, {}, icPngColors, 0, ".png", "PngBlackAndWhite"},
    {ppPNG, {}, icPngColors, 1, ".png", "Png256"},
    {ppPNG, {}, icPngCompression, 0, ".png", "PngStored"},
    {ppPNG, {}, icPngInterlaced, 1, ".png", "PngInterlaced"},
    {ppPNG, {}, icPngFilter, ioPNG_FILTER_PAETH, ".png", "PngPaeth"},
    {ppTIFF, {}, icTiffCompression, ioTIFF_PACKBITS, ".tif", "TiffPackBits"},
    {ppTIFF, {}, icTiffColors, 0, ".tif", "TiffBlackAndWhite"},
    {ppGIF, {}, icGifColors, 3, ".gif", "Gif16"},
    {ppGIF, {}, icGifInterlaced, 1, ".gif", "GifInterlaced"},
    {ppPCX, {}, icPcxColors, 1, ".pcx", "Pcx16"},
    {ppPCX, {}, icPcxCompression, ioPCX_UNCOMPRESSED, ".pcx", "PcxStored"},
    {ppTGA, {}, icTgaColors, 1, ".tga", "Tga256"},
    {ppTGA, {}, icTgaCompressed, 0, ".tga", "TgaStored"},
};

INSTANTIATE_TEST_SUITE_P(Options, IOParamsPreviewRoundTrip, testing::ValuesIn(kOptionCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PaletteDialog, CellsUnderThePointer) {
  const struct {
    int32_t X, Y, Count, Cell;
  } cases[] = {{1, 1, 256, 0},       {16, 16, 256, 0},   {17, 1, 256, 1},   {1, 17, 256, 32},
               {512, 128, 256, 255}, {513, 1, 256, -1},  {0, 5, 256, -1},   {5, 0, 256, -1},
               {1, 17, 32, -1},      {200, 120, 16, -1}, {-40, 20, 256, -1}};
  for (const auto& c : cases) EXPECT_EQ(KXPaletteCellAt(c.X, c.Y, c.Count), c.Cell) << c.X << "," << c.Y;
}

}  // namespace
