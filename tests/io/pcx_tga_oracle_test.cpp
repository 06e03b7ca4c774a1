// The PCX and Targa codecs against other programs: files that ImageMagick and Pillow wrote
// decode exactly as that program decodes them, and the files we write in every kind are read by
// both with our pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/pcx_codec.h"
#include "imaging/io/tga_codec.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

const std::string kConvert = "/usr/bin/convert";
const std::string kPython = "/usr/bin/python3";

enum class TFormat { pcx, tga };

std::string Fixture(TFormat f, const std::string& name) {
  return kxtest::SourceDir() + "/tests/fixtures/" + (f == TFormat::pcx ? "pcx/" : "tga/") + name;
}

struct TLoaded {
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborted = false;
  TKXDiagnostics diagnostics;
};

TLoaded Load(const std::string& path, TFormat format) {
  TLoaded l;
  TFileStream stream(path, fmOpenRead);
  TProgressRec progress;
  progress.Aborting = &l.aborted;
  progress.Diagnostics = &l.diagnostics;
  if (format == TFormat::pcx)
    ReadPcxStream(stream, l.bitmap, l.params, false, progress, stream.Size());
  else
    ReadTGAStream(stream, l.bitmap, l.params, false, progress);
  l.bitmap.SetPixelFormat(pf24bit);
  return l;
}

// ImageMagick's decoding, alpha dropped as our readers drop it. It keeps the rows of a Targa
// file as stored and notes their order as the picture's orientation, so they are put upright.
bool Magick(const std::string& path, TBitmap& out) {
  const std::string ppm = kxtest::TempPath(".ppm");
  return kxtest::Run(kConvert + " " + kxtest::Quote(path) + " -auto-orient -alpha off -depth 8 " +
                     kxtest::Quote("ppm:" + ppm)) == 0 &&
         kxtest::ReadNetpbm(ppm, out);
}

// Pillow's decoding, alpha dropped.
bool Pillow(const std::string& path, TBitmap& out) {
  const std::string ppm = kxtest::TempPath(".ppm");
  const std::string script =
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
      "im = im.convert('RGBA' if 'A' in im.mode or im.mode == 'P' else 'RGB').convert('RGB')\n"
      "im.save(sys.argv[2])\n";
  return kxtest::Run(kPython + " -c " + kxtest::Quote(script) + " " + kxtest::Quote(path) + " " + kxtest::Quote(ppm)) ==
             0 &&
         kxtest::ReadNetpbm(ppm, out);
}

class PcxTgaOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kxtest::Have(kConvert) || !kxtest::Have(kPython)) GTEST_SKIP() << "ImageMagick or python3 missing";
  }
};

struct TOracleCase {
  TFormat Format;
  const char* Name;
  bool ByMagick;  // else by Pillow
};

TEST_F(PcxTgaOracle, FilesOfOtherProgramsDecodeAsTheyDecodeThem) {
  const TOracleCase cases[] = {
      // ImageMagick shows the set bits of monochrome files black, the inverse of what Pillow
      // and the format's own programs show; its own 1-bit file is checked against Pillow.
      {TFormat::pcx, "im_1.pcx", false},
      {TFormat::pcx, "im_8_palette.pcx", true},
      {TFormat::pcx, "im_8_gray.pcx", true},
      {TFormat::pcx, "im_24.pcx", true},
      {TFormat::pcx, "pil_1.pcx", false},
      {TFormat::pcx, "pil_8_gray.pcx", false},
      {TFormat::pcx, "pil_8_palette.pcx", false},
      {TFormat::pcx, "pil_24.pcx", false},
      {TFormat::pcx, "pil_24.pcx", true},
      // Pillow does not read 16-colour files.
      {TFormat::pcx, "planes16.pcx", true},
      {TFormat::pcx, "planes16_rle.pcx", true},
      {TFormat::pcx, "nibbles16_rle.pcx", true},
      {TFormat::tga, "im_1_mapped.tga", true},
      {TFormat::tga, "im_9_mapped.tga", true},
      {TFormat::tga, "im_2_24.tga", true},
      {TFormat::tga, "im_2_24_top_down.tga", true},
      {TFormat::tga, "im_10_24.tga", true},
      {TFormat::tga, "im_2_16.tga", true},
      {TFormat::tga, "im_2_32.tga", true},
      {TFormat::tga, "im_3_gray.tga", true},
      {TFormat::tga, "im_11_gray.tga", true},
      {TFormat::tga, "im_2_16.tga", false},
      {TFormat::tga, "im_10_24.tga", false},
      {TFormat::tga, "pil_2_24.tga", false},
      {TFormat::tga, "pil_10_24_top_down.tga", false},
      {TFormat::tga, "pil_2_32.tga", false},
      {TFormat::tga, "pil_10_32.tga", false},
      {TFormat::tga, "pil_1_mapped.tga", false},
      {TFormat::tga, "pil_9_mapped_top_down.tga", false},
      {TFormat::tga, "pil_3_gray.tga", false},
      {TFormat::tga, "pil_11_gray.tga", false},
      {TFormat::tga, "pil_3_gray_alpha.tga", false},
      {TFormat::tga, "pil_3_1bit.tga", false},
      {TFormat::tga, "pil_10_32.tga", true},
  };
  for (const TOracleCase& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + (c.ByMagick ? " by ImageMagick" : " by Pillow"));
    const std::string path = Fixture(c.Format, c.Name);
    const TLoaded ours = Load(path, c.Format);
    ASSERT_FALSE(ours.aborted) << ours.diagnostics.Reason;
    TBitmap theirs;
    ASSERT_TRUE(c.ByMagick ? Magick(path, theirs) : Pillow(path, theirs));
    const kxtest::TDiff d = kxtest::Compare(ours.bitmap, theirs);
    ASSERT_TRUE(d.sameSize) << ours.bitmap.Width() << " x " << ours.bitmap.Height();
    EXPECT_EQ(d.pixels, 0) << "largest difference " << d.maxDelta;
  }
}

TEST_F(PcxTgaOracle, FixtureParameters) {
  const TLoaded pcx = Load(Fixture(TFormat::pcx, "pil_24.pcx"), TFormat::pcx);
  // Pillow writes 100 dots per inch whatever it is asked.
  EXPECT_EQ(pcx.params.DpiX, 100);
  EXPECT_EQ(pcx.params.DpiY, 100);
  const TLoaded planes = Load(Fixture(TFormat::pcx, "planes16.pcx"), TFormat::pcx);
  EXPECT_EQ(planes.params.BitsPerSample, 4);
  EXPECT_EQ(planes.params.SamplesPerPixel, 1);
  EXPECT_EQ(planes.params.ColorMapCount, 16);
  const TLoaded gray = Load(Fixture(TFormat::tga, "im_11_gray.tga"), TFormat::tga);
  EXPECT_TRUE(gray.params.TGA_GrayLevel);
  EXPECT_TRUE(gray.params.TGA_Compressed);
  const TLoaded mapped = Load(Fixture(TFormat::tga, "pil_1_mapped.tga"), TFormat::tga);
  EXPECT_FALSE(mapped.params.TGA_GrayLevel);
  EXPECT_FALSE(mapped.params.TGA_Compressed);
  EXPECT_EQ(mapped.params.ColorMapCount, 256);
}

struct TWriteCase {
  TFormat Format;
  int32_t BitsPerSample, SamplesPerPixel;
  bool Compressed;
  bool Gray;  // Targa only
  bool ByMagick = true, ByPillow = true;
};

TEST_F(PcxTgaOracle, WrittenFilesReadBackInBothProgramsWithOurPixels) {
  // Sixteen colours, so that 16- and 256-colour palettes hold every one exactly; two-colour
  // pictures for 1-bit files.
  TBitmap colours(37, 23, pf24bit), twoColours(37, 23, pf24bit);
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 37; ++x) {
      colours.SetPixel(x, y, CreateRGB(uint8_t((x / 10) * 80), uint8_t((y / 12) * 160), uint8_t(x % 2 ? 200 : 30)));
      twoColours.SetPixel(x, y, (x * y + x) % 5 < 2 ? CreateRGB(255, 255, 255) : CreateRGB(0, 0, 0));
    }
  const TWriteCase cases[] = {
      // ImageMagick inverts monochrome PCX files (see above), and Pillow decodes every PCX file
      // as run-length coded, so that it misreads raw bytes of 0xC0 and above.
      {TFormat::pcx, 1, 1, true, false, false, true},
      {TFormat::pcx, 1, 1, false, false, false, false},
      // Pillow reads no 16-colour PCX files.
      {TFormat::pcx, 4, 1, true, false, true, false},
      {TFormat::pcx, 4, 1, false, false, true, false},
      {TFormat::pcx, 8, 1, true, false},
      {TFormat::pcx, 8, 1, false, false, true, false},
      {TFormat::pcx, 8, 3, true, false},
      {TFormat::pcx, 8, 3, false, false, true, false},
      // ImageMagick reads no 1-bit Targa files, Pillow's own among them.
      {TFormat::tga, 1, 1, false, false, false, true},
      {TFormat::tga, 4, 1, false, false},
      {TFormat::tga, 8, 1, true, false},
      {TFormat::tga, 8, 1, false, false},
      {TFormat::tga, 8, 1, true, true},
      {TFormat::tga, 8, 1, false, true},
      {TFormat::tga, 8, 3, true, false},
      {TFormat::tga, 8, 3, false, false},
  };
  for (const TWriteCase& c : cases) {
    SCOPED_TRACE(std::string(c.Format == TFormat::pcx ? "PCX " : "Targa ") + std::to_string(c.BitsPerSample) + " x " +
                 std::to_string(c.SamplesPerPixel) + (c.Compressed ? " coded" : " raw") + (c.Gray ? " gray" : ""));
    TBitmap picture(c.BitsPerSample == 1 ? twoColours : colours);
    TIOParamsVals p;
    p.BitsPerSample = c.BitsPerSample;
    p.SamplesPerPixel = c.SamplesPerPixel;
    p.PCX_Compression = c.Compressed ? ioPCX_RLE : ioPCX_UNCOMPRESSED;
    p.TGA_Compressed = c.Compressed;
    p.TGA_GrayLevel = c.Gray;
    const std::string path = kxtest::TempPath(c.Format == TFormat::pcx ? ".pcx" : ".tga");
    {
      TFileStream file(path, fmCreate);
      TProgressRec progress = NullProgress();
      if (c.Format == TFormat::pcx)
        WritePcxStream(file, picture, p, progress);
      else
        WriteTGAStream(file, picture, p, progress);
      ASSERT_FALSE(progress.Aborted());
    }
    const TLoaded ours = Load(path, c.Format);
    ASSERT_FALSE(ours.aborted) << ours.diagnostics.Reason;
    if (!c.Gray) {
      EXPECT_TRUE(kxtest::SameBitmap(ours.bitmap, c.BitsPerSample == 1 ? twoColours : colours));
    }
    for (bool byMagick : {true, false}) {
      if (!(byMagick ? c.ByMagick : c.ByPillow)) continue;
      SCOPED_TRACE(byMagick ? "by ImageMagick" : "by Pillow");
      TBitmap theirs;
      ASSERT_TRUE(byMagick ? Magick(path, theirs) : Pillow(path, theirs));
      const kxtest::TDiff d = kxtest::Compare(ours.bitmap, theirs);
      ASSERT_TRUE(d.sameSize);
      EXPECT_EQ(d.pixels, 0) << "largest difference " << d.maxDelta;
    }
  }
}

}  // namespace
