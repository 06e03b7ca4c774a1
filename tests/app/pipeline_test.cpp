// The picture pipeline: fitting and placing, the edits, the live preview against the rebuild,
// the sliders' notifications, the preview file (checked by other decoders) and what a failed
// rebuild keeps.
#include "app/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

using namespace quillop;
using namespace kx;
namespace fs = std::filesystem;
using kxtest::MakePicture;
using kxtest::SameBitmap;

namespace {

const std::string kDjpeg = "/usr/bin/djpeg";
const std::string kPython = "/usr/bin/python3";

// A pipeline over a fresh working folder whose preview names count the rebuilds.
struct TFixture {
  std::string Folder = kxtest::TempPath(".work");
  uint32_t Names = 0;
  TPreviewFiles Previews{(fs::create_directory(Folder), Folder), [this] { return Names++; }};
  TPicturePipeline Pipeline{Previews};

  // Obtains `picture` as a scan or load would and prepares it.
  void Obtain(const TBitmap& picture) {
    Pipeline.Kestrix_Save.Assign(&picture);
    Pipeline.PreProcessImage();
  }
  int PreviewFiles() const {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(Folder)) n += IsPreviewName(entry.path().filename().string());
    return n;
  }
};

struct TPlace {
  int32_t width, height, left, top;
  friend bool operator==(const TPlace&, const TPlace&) = default;
};
TPlace PlaceOf(const TKestrix& display) { return {display.Width(), display.Height(), display.Left(), display.Top()}; }

// Counts the reports of the display's processing part, which only the brightness and contrast
// adjustments give.
struct TAdjustments {
  const TKestrix* display;
  int reports = 0;
  void On(void* sender, int) { reports += sender == &display->ProcPart(); }
};

struct TCursorCount : TBusyCursor {
  int shown = 0, hidden = 0;
  void Show() override { ++shown; }
  void Hide() override { ++hidden; }
};

// The 3 x 3 convolution with the picture's edge repeated, sum / divisor toward zero, clamped.
TBitmap Convolve(const TBitmap& in, const int (&k)[3][3], int divisor) {
  TBitmap out = in;
  for (int32_t y = 0; y < in.Height(); ++y)
    for (int32_t x = 0; x < in.Width(); ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const TRGB c = in.GetPixel(std::clamp(x + dx, 0, in.Width() - 1), std::clamp(y + dy, 0, in.Height() - 1));
          const int w = k[dy + 1][dx + 1];
          sum[0] += w * c.b, sum[1] += w * c.g, sum[2] += w * c.r;
        }
      auto level = [&](int s) { return uint8_t(std::clamp(s / divisor, 0, 255)); };
      out.SetPixel(x, y, TRGB{level(sum[0]), level(sum[1]), level(sum[2])});
    }
  return out;
}

}  // namespace

TEST(Pipeline, StartsBlankWithNothingToSend) {
  TFixture f;
  const TKestrix& display = f.Pipeline.Kestrix_Display;
  EXPECT_FALSE(f.Pipeline.HasPicture());
  EXPECT_EQ(f.Pipeline.Kestrix_Save.Bitmap().Width(), 33);
  EXPECT_EQ(f.Pipeline.Kestrix_Save.Bitmap().GetPixel(5, 5), TColor2TRGB(ColorToRGB(clBtnFace)));
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(300, 300), TColor2TRGB(ColorToRGB(clBtnFace)));
  EXPECT_EQ(PlaceOf(display), (TPlace{540, 540, 1, 1}));
  EXPECT_EQ(display.Background(), kDisplayBackground);
  EXPECT_EQ(f.Pipeline.FileSize, "FileSize:");
  EXPECT_EQ(f.Pipeline.TempFileName(), "");
}

TEST(Pipeline, FitsTheSourceToTheDisplaySideAndCentresIt) {
  struct TCase {
    int32_t width, height;
    TPlace place;
  };
  const TCase cases[] = {
      {1000, 500, {540, 270, 0, 135}}, {500, 1000, {270, 540, 135, 0}}, {800, 800, {540, 540, 0, 0}},
      {100, 50, {540, 270, 0, 135}},   {1082, 1, {540, 1, 0, 269}},     {1, 1200, {1, 540, 269, 0}},
  };
  TFixture f;
  for (const TCase& c : cases) {
    f.Obtain(MakePicture(c.width, c.height));
    const TBitmap& work = f.Pipeline.Kestrix_Buffer.Bitmap();
    EXPECT_EQ(work.Width(), c.place.width) << c.width << " x " << c.height;
    EXPECT_EQ(work.Height(), c.place.height) << c.width << " x " << c.height;
    EXPECT_EQ(PlaceOf(f.Pipeline.Kestrix_Display), c.place) << c.width << " x " << c.height;
    EXPECT_TRUE(f.Pipeline.HasPicture());
  }
  EXPECT_EQ(f.PreviewFiles(), 1) << "every rebuild replaces the one preview file";
  // The working copy is the plain stretch of the source.
  const TBitmap source = MakePicture(1000, 500, 3);
  f.Obtain(source);
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(539, 269), source.GetPixel(998, 498));
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(0, 0), source.GetPixel(0, 0));
}

TEST(Pipeline, AnEmptySourceChangesNothingAndSaysSo) {
  TFixture f;
  TCursorCount cursor;
  TPicturePipeline pipeline(f.Previews, &cursor);
  const TBitmap picture = MakePicture(300, 200);
  pipeline.Kestrix_Save.Assign(&picture);
  pipeline.PreProcessImage();
  const TBitmap work = pipeline.Kestrix_Buffer.Bitmap();
  const std::string preview = pipeline.TempFileName();
  const TBitmap empty;
  pipeline.Kestrix_Save.Assign(&empty);
  EXPECT_EQ(kxtest::MessageOf<EPreviewError>([&] { pipeline.PreProcessImage(); }),
            "The picture is empty (0 x 0 pixels): nothing was changed.");
  EXPECT_TRUE(SameBitmap(pipeline.Kestrix_Buffer.Bitmap(), work));
  EXPECT_EQ(pipeline.TempFileName(), preview);
  EXPECT_EQ(cursor.shown, cursor.hidden) << "the busy cursor goes also when a command fails";
  EXPECT_GT(cursor.shown, 0);
}

TEST(Pipeline, ABilevelSourceBecomesATwentyFourBitWorkingCopy) {
  TFixture f;
  f.Obtain(kxtest::Uniform(400, 200, 255, pf1bit));
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().PixelFormat(), pf24bit);
  f.Pipeline.SB_Brightness.DragTo(-40);
  EXPECT_EQ(f.Pipeline.Kestrix_Display.Bitmap().GetPixel(10, 10), (TRGB{215, 215, 215}));
}

TEST(Pipeline, EditsAccumulateOnTheWorkingCopyAndRestoreGoesBackToTheSource) {
  TFixture f;
  const TBitmap source = MakePicture(1000, 500, 5);
  f.Obtain(source);
  const TBitmap first = f.Pipeline.Kestrix_Buffer.Bitmap();

  f.Pipeline.PB_RotateCWClick();
  EXPECT_EQ(PlaceOf(f.Pipeline.Kestrix_Display), (TPlace{270, 540, 135, 0}));
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(269, 0), first.GetPixel(0, 0)) << "clockwise";
  for (int i = 0; i < 3; ++i) f.Pipeline.PB_RotateCWClick();
  EXPECT_TRUE(SameBitmap(f.Pipeline.Kestrix_Buffer.Bitmap(), first)) << "four quarter turns";
  f.Pipeline.PB_RotateCCWClick();
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(0, 539), first.GetPixel(0, 0)) << "counter-clockwise";
  f.Pipeline.PB_RotateCWClick();
  f.Pipeline.PB_FlipHClick();
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(539, 0), first.GetPixel(0, 0));
  f.Pipeline.PB_FlipVClick();
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(539, 269), first.GetPixel(0, 0));
  f.Pipeline.PB_InvertClick();
  const TRGB c = first.GetPixel(0, 0);
  EXPECT_EQ(f.Pipeline.Kestrix_Buffer.Bitmap().GetPixel(539, 269),
            (TRGB{uint8_t(255 - c.b), uint8_t(255 - c.g), uint8_t(255 - c.r)}));

  f.Pipeline.SB_Brightness.DragTo(40);
  f.Pipeline.SB_Brightness.Release();
  f.Pipeline.SB_JpegCompress.DragTo(30);
  f.Pipeline.SB_JpegCompress.Release();
  f.Pipeline.PB_RestoreClick();
  EXPECT_TRUE(SameBitmap(f.Pipeline.Kestrix_Buffer.Bitmap(), first));
  EXPECT_EQ(f.Pipeline.SB_JpegCompress.Value(), 60);
  EXPECT_EQ(f.Pipeline.SB_Brightness.Value(), 0);
  EXPECT_EQ(f.Pipeline.SB_Contrast.Value(), 0);
  EXPECT_EQ(f.Pipeline.T_JpegCompress, "60");
  EXPECT_EQ(f.Pipeline.T_Brightness, "0");
  EXPECT_EQ(f.Pipeline.Kestrix_Display.IOParams().JPEG_Quality, 60);
  EXPECT_EQ(f.PreviewFiles(), 1);
}

TEST(Pipeline, SharpenIsTheSmoothingThenTheSharpeningKernel) {
  TFixture f;
  f.Obtain(MakePicture(540, 300, 9));
  const TBitmap before = f.Pipeline.Kestrix_Buffer.Bitmap();
  f.Pipeline.PB_SharpenClick();
  const TBitmap smooth = Convolve(before, {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}, 16);
  EXPECT_TRUE(
      SameBitmap(f.Pipeline.Kestrix_Buffer.Bitmap(), Convolve(smooth, {{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1)));
}

TEST(Pipeline, BrightnessAndContrastReachOnlyTheDisplay) {
  TFixture f;
  f.Obtain(MakePicture(540, 400, 2));
  const TBitmap work = f.Pipeline.Kestrix_Buffer.Bitmap();
  TAdjustments adjustments{&f.Pipeline.Kestrix_Display};
  f.Pipeline.Kestrix_Display.SetOnProgress(TProgressEvent::Bind<&TAdjustments::On>(&adjustments));

  // Both 0: the rebuild skips the adjustments, the live preview runs them all the same.
  f.Pipeline.SaveTempJpeg();
  EXPECT_EQ(adjustments.reports, 0);
  f.Pipeline.SB_Contrast.DragTo(20);
  f.Pipeline.SB_Contrast.DragTo(0);
  EXPECT_GT(adjustments.reports, 0);

  const uint32_t names = f.Names;
  const std::string size = f.Pipeline.FileSize;
  f.Pipeline.SB_Brightness.DragTo(30);
  f.Pipeline.SB_Brightness.DragTo(40);
  EXPECT_EQ(f.Pipeline.T_Brightness, "40");
  EXPECT_EQ(f.Pipeline.Brightness, 40);
  EXPECT_EQ(f.Names, names) << "no JPEG while the slider moves";
  EXPECT_EQ(f.Pipeline.FileSize, size);
  const TRGB p = work.GetPixel(7, 7);
  auto up = [](uint8_t v) { return uint8_t(std::min(255, v + 40)); };
  EXPECT_EQ(f.Pipeline.Kestrix_Display.Bitmap().GetPixel(7, 7), (TRGB{up(p.b), up(p.g), up(p.r)}));
  f.Pipeline.SB_Brightness.Release();
  EXPECT_EQ(f.Names, names + 1) << "one rebuild at the end of the move";
  EXPECT_TRUE(SameBitmap(f.Pipeline.Kestrix_Buffer.Bitmap(), work)) << "never baked into the working copy";
  f.Pipeline.PB_InvertClick();
  f.Pipeline.PB_InvertClick();
  EXPECT_TRUE(SameBitmap(f.Pipeline.Kestrix_Buffer.Bitmap(), work));
}

TEST(Pipeline, QualityChangesOnlyItsLabelUntilReleasedAndLabelClicksAlwaysRebuild) {
  TFixture f;
  f.Obtain(MakePicture(540, 540, 4));
  const std::string size = f.Pipeline.FileSize;
  const uint32_t names = f.Names;
  f.Pipeline.SB_JpegCompress.DragTo(35);
  f.Pipeline.SB_JpegCompress.DragTo(20);
  EXPECT_EQ(f.Pipeline.T_JpegCompress, "20");
  EXPECT_EQ(f.Pipeline.JPEGComp, 20);
  EXPECT_EQ(f.Names, names);
  EXPECT_EQ(f.Pipeline.FileSize, size);
  f.Pipeline.SB_JpegCompress.Release();
  EXPECT_EQ(f.Names, names + 1);
  EXPECT_NE(f.Pipeline.FileSize, size);
  EXPECT_EQ(f.Pipeline.Kestrix_Display.IOParams().JPEG_Quality, 20);

  // The brightness is at its default already: no change, but a rebuild.
  TAdjustments adjustments{&f.Pipeline.Kestrix_Display};
  f.Pipeline.Kestrix_Display.SetOnProgress(TProgressEvent::Bind<&TAdjustments::On>(&adjustments));
  f.Pipeline.T_BrightnessClick();
  EXPECT_EQ(f.Names, names + 2);
  EXPECT_EQ(adjustments.reports, 0);
  f.Pipeline.T_JpegCompressClick();
  EXPECT_EQ(f.Pipeline.T_JpegCompress, "60");
  EXPECT_EQ(f.Pipeline.FileSize, size);
  EXPECT_EQ(f.PreviewFiles(), 1);
}

TEST(Pipeline, ThePreviewIsWhatOtherDecodersSeeAndTheReadoutIsItsSize) {
  TFixture f;
  f.Obtain(MakePicture(700, 450, 6));
  f.Pipeline.SB_JpegCompress.DragTo(45);
  f.Pipeline.SB_JpegSmooth.DragTo(30);
  f.Pipeline.SB_JpegSmooth.Release();
  const std::string preview = f.Pipeline.TempFileName();
  EXPECT_EQ(fs::path(preview).parent_path(), fs::path(f.Folder));
  EXPECT_EQ(kxtest::ReadFile(preview), f.Pipeline.PreviewBytes());
  EXPECT_EQ(f.Pipeline.FileSize, FileSizeText(int64_t(fs::file_size(preview))));
  EXPECT_EQ(FileSizeText(38000), "Filesize: 37 Kb.");
  EXPECT_EQ(FileSizeText(1023), "Filesize: 0 Kb.");

  // The same encoder settings on the working copy give the same bytes: quality, smoothing,
  // progressive and the colour space are those of the sliders.
  TKestrix reference;
  reference.Assign(&f.Pipeline.Kestrix_Buffer);
  reference.IOParams().JPEG_ColorSpace = ioJPEG_RGB;
  reference.IOParams().JPEG_Quality = 45;
  reference.IOParams().JPEG_Smoothing = 30;
  reference.IOParams().JPEG_Progressive = true;
  TMemoryStream bytes;
  reference.SaveToStreamJpeg(bytes);
  EXPECT_EQ(bytes.Bytes(), f.Pipeline.PreviewBytes());

  if (!kxtest::Have(kDjpeg) || !kxtest::Have(kPython)) GTEST_SKIP() << "djpeg or python3 missing";
  const std::string djpeg = kxtest::TempPath(".ppm"), pillow = kxtest::TempPath(".ppm");
  ASSERT_EQ(kxtest::Run(kDjpeg + " -pnm -outfile " + kxtest::Quote(djpeg) + " " + kxtest::Quote(preview)), 0);
  const std::string script =
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nassert im.info.get('progressive')\n"
      "im.convert('RGB').save(sys.argv[2])\n";
  ASSERT_EQ(kxtest::Run(kPython + " -c " + kxtest::Quote(script) + " " + kxtest::Quote(preview) + " " +
                        kxtest::Quote(pillow)),
            0);
  for (const std::string& decoded : {djpeg, pillow}) {
    TBitmap other;
    ASSERT_TRUE(kxtest::ReadNetpbm(decoded, other));
    EXPECT_TRUE(SameBitmap(other, f.Pipeline.Kestrix_Display.Bitmap())) << decoded;
  }
}

TEST(Pipeline, AFailedRebuildKeepsTheOldPreviewDisplayAndReadout) {
  TFixture f;
  f.Obtain(MakePicture(540, 300, 8));
  const std::string preview = f.Pipeline.TempFileName();
  const std::vector<uint8_t> bytes = kxtest::ReadFile(preview);
  const TBitmap shown = f.Pipeline.Kestrix_Display.Bitmap();
  const TPlace place = PlaceOf(f.Pipeline.Kestrix_Display);
  const std::string size = f.Pipeline.FileSize;
  auto unchanged = [&](const char* what) {
    EXPECT_EQ(f.Pipeline.TempFileName(), preview) << what;
    EXPECT_EQ(kxtest::ReadFile(preview), bytes) << what;
    EXPECT_TRUE(SameBitmap(f.Pipeline.Kestrix_Display.Bitmap(), shown)) << what;
    EXPECT_EQ(PlaceOf(f.Pipeline.Kestrix_Display), place) << what;
    EXPECT_EQ(f.Pipeline.FileSize, size) << what;
    EXPECT_EQ(f.PreviewFiles(), 1) << what;
  };
  {
    // A full disk.
    kxtest::TFileSizeLimitScope full(1000);
    EXPECT_THROW(f.Pipeline.PB_RotateCWClick(), EWriteError);
  }
  unchanged("full disk");
  // No free name left.
  for (uint32_t n = f.Names; n < f.Names + 4096; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "%08x.jpg", n);
    kxtest::WriteFile(f.Folder + "/" + name, {});
  }
  EXPECT_EQ(kxtest::MessageOf<EPreviewError>([&] { f.Pipeline.SaveTempJpeg(); }),
            "No preview file can be created in the working folder.");
  EXPECT_EQ(f.Pipeline.TempFileName(), preview);
  EXPECT_EQ(kxtest::ReadFile(preview), bytes);
  EXPECT_EQ(f.Pipeline.FileSize, size);
}
