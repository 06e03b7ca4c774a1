// The BMP, ICO and CUR readers and the BMP writer against other programs: files that
// ImageMagick and Pillow wrote decode exactly as that program decodes them (icons composited on
// the same background), and the files we write at every depth, header and compression are read
// by both with our pixels, size and resolution.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::As24;

namespace {

const std::string kConvert = "/usr/bin/convert";
const std::string kPython = "/usr/bin/python3";

std::string Fixture(const std::string& folder, const std::string& name) {
  return kxtest::SourceDir() + "/tests/fixtures/" + folder + "/" + name;
}

struct TLoaded {
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborted = false;
};

enum class TKind { bmp, ico, cur };

TLoaded Load(const std::string& path, TKind kind, int32_t index = 0) {
  TLoaded l;
  l.params.ICO_ImageIndex = l.params.CUR_ImageIndex = index;
  TFileStream stream(path, fmOpenRead);
  TProgressRec progress;
  progress.Aborting = &l.aborted;
  if (kind == TKind::bmp) BMPReadStream(stream, l.bitmap, 0, l.params, false, progress);
  if (kind == TKind::ico) ICOReadStream(stream, l.bitmap, l.params, false, progress);
  if (kind == TKind::cur) CURReadStream(stream, l.bitmap, l.params, false, progress);
  return l;
}

// A 24-bit copy, so that 1-bit pictures compare with the oracles' colour output.
// ImageMagick's decoding of picture `index`: flattened on white for icons and cursors; a bitmap's
// alpha is dropped, as the bitmap reader drops it.
bool Magick(const std::string& path, int index, TBitmap& out, bool flatten = false) {
  const std::string ppm = kxtest::TempPath(".ppm");
  return kxtest::Run(kConvert + " " + kxtest::Quote(path + "[" + std::to_string(index) + "]") +
                     (flatten ? " -background white -flatten" : " -alpha off") + " -depth 8 " +
                     kxtest::Quote("ppm:" + ppm)) == 0 &&
         kxtest::ReadNetpbm(ppm, out);
}

// Pillow's decoding of picture `index` (of an icon or cursor directory), composited on white.
bool Pillow(const std::string& path, int index, TBitmap& out) {
  const std::string ppm = kxtest::TempPath(".ppm");
  const std::string script =
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
      "if hasattr(im, 'ico'):\n"
      "    entry = sorted(im.ico.entry, key=lambda e: e['offset'])[int(sys.argv[3])]\n"
      "    im = im.ico.frame(im.ico.entry.index(entry))\n"
      "im = im.convert('RGBA')\nbg = Image.new('RGBA', im.size, (255, 255, 255, 255))\n"
      "bg.alpha_composite(im)\nbg.convert('RGB').save(sys.argv[2])\n";
  return kxtest::Run(kPython + " -c " + kxtest::Quote(script) + " " + kxtest::Quote(path) + " " + kxtest::Quote(ppm) +
                     " " + std::to_string(index)) == 0 &&
         kxtest::ReadNetpbm(ppm, out);
}

class BmpOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kxtest::Have(kConvert) || !kxtest::Have(kPython)) GTEST_SKIP() << "ImageMagick or python3 missing";
  }
};

struct TOracleCase {
  const char* Folder;
  const char* Name;
  TKind Kind;
  int Index;
  bool ByMagick;  // else by Pillow
  int Tolerance;  // ImageMagick rounds alpha blending through 16 bits
};

TEST_F(BmpOracle, FilesOfOtherProgramsDecodeAsTheyDecodeThem) {
  const TOracleCase cases[] = {
      {"bmp", "im_1.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_4.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_4_v3.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_4_os2.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_8_rle.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_8_rle_v3.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_8_v3.bmp", TKind::bmp, 0, true, 0},
      // Pillow scales 5- and 6-bit channels by multiplication, ImageMagick repeats their bits.
      {"bmp", "im_16_555.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_16_565.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_24_v3.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_24_v5.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_24_os2.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "im_32_alpha.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "top_down_24.bmp", TKind::bmp, 0, true, 0},
      {"bmp", "top_down_24.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "pil_1.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "pil_8_gray.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "pil_8_palette.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "pil_24.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "pil_32_alpha.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "im_8_rle.bmp", TKind::bmp, 0, false, 0},
      {"bmp", "im_4_os2.bmp", TKind::bmp, 0, false, 0},
      {"ico", "im_4.ico", TKind::ico, 0, true, 0},
      {"ico", "im_4.ico", TKind::ico, 0, false, 0},
      {"ico", "im_32_alpha.ico", TKind::ico, 0, false, 0},
      {"ico", "im_32_alpha.ico", TKind::ico, 0, true, 1},
      {"ico", "im_32_binary_alpha.ico", TKind::ico, 0, true, 0},
      {"ico", "im_two_sizes.ico", TKind::ico, 0, false, 0},
      {"ico", "im_two_sizes.ico", TKind::ico, 1, false, 0},
      {"ico", "im_two_sizes.ico", TKind::ico, 1, true, 1},
      {"ico", "pil_bmp.ico", TKind::ico, 0, false, 0},
      {"ico", "pil_bmp.ico", TKind::ico, 1, false, 0},
      {"ico", "pil_png.ico", TKind::ico, 0, false, 0},
      {"cur", "im_4.cur", TKind::cur, 0, false, 0},
      {"cur", "im_32_alpha.cur", TKind::cur, 0, false, 0},
  };
  for (const TOracleCase& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + " picture " + std::to_string(c.Index) +
                 (c.ByMagick ? " by ImageMagick" : " by Pillow"));
    const std::string path = Fixture(c.Folder, c.Name);
    const TLoaded ours = Load(path, c.Kind, c.Index);
    ASSERT_FALSE(ours.aborted);
    TBitmap theirs;
    ASSERT_TRUE(c.ByMagick ? Magick(path, c.Index, theirs, c.Kind != TKind::bmp) : Pillow(path, c.Index, theirs));
    const kxtest::TDiff d = kxtest::Compare(As24(ours.bitmap), theirs);
    ASSERT_TRUE(d.sameSize) << ours.bitmap.Width() << " x " << ours.bitmap.Height();
    EXPECT_LE(d.maxDelta, c.Tolerance) << d.pixels << " pixels differ";
    if (c.Tolerance == 0) {
      EXPECT_EQ(d.pixels, 0);
    }
  }
}

TEST_F(BmpOracle, FixtureParameters) {
  const TLoaded os2 = Load(Fixture("bmp", "im_24_os2.bmp"), TKind::bmp);
  EXPECT_EQ(os2.params.BMP_Version, ioBMP_BMOS2V1);
  const TLoaded v3 = Load(Fixture("bmp", "im_8_rle_v3.bmp"), TKind::bmp);
  EXPECT_EQ(v3.params.BMP_Version, ioBMP_BM3);
  EXPECT_EQ(v3.params.BMP_Compression, ioBMP_RLE);
  EXPECT_EQ(v3.params.BitsPerSample, 8);
  EXPECT_EQ(v3.params.SamplesPerPixel, 1);
  const TLoaded v5 = Load(Fixture("bmp", "im_16_565.bmp"), TKind::bmp);
  EXPECT_EQ(v5.params.BMP_Version, ioBMP_BM);
  EXPECT_EQ(v5.params.BitsPerSample, 5);
  const TLoaded pil = Load(Fixture("bmp", "pil_24.bmp"), TKind::bmp);
  EXPECT_EQ(pil.params.DpiX, 150);
  EXPECT_EQ(pil.params.DpiY, 72);
  const TLoaded top = Load(Fixture("bmp", "top_down_24.bmp"), TKind::bmp);
  EXPECT_EQ(top.params.Height, 23);
  const TLoaded cursor = Load(Fixture("cur", "im_32_alpha.cur"), TKind::cur);
  EXPECT_EQ(cursor.params.CUR_HotSpotX, 5);
  EXPECT_EQ(cursor.params.CUR_HotSpotY, 7);
}

// What Pillow reports of a file: "mode width height dpi-x dpi-y", then the RGB bytes in a file.
std::string PillowReads(const std::string& path, const std::string& raw) {
  std::string out;
  const std::string script =
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
      "dpi = im.info.get('dpi', (0, 0))\n"
      "print(im.mode, im.size[0], im.size[1], round(dpi[0]), round(dpi[1]))\n"
      "open(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())\n";
  kxtest::Run(kPython + " -c " + kxtest::Quote(script) + " " + kxtest::Quote(path) + " " + kxtest::Quote(raw), &out);
  return out;
}

struct TWriteCase {
  int32_t BitsPerSample, SamplesPerPixel;
  TIOBMPVersion Version;
  TIOBMPCompression Compression;
  const char* PillowMode;
};

TEST_F(BmpOracle, WrittenFilesReadBackInBothProgramsWithOurPixels) {
  // Sixteen colours, so that 4- and 8-bit palettes hold every one exactly.
  TBitmap source(37, 23, pf24bit);
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 37; ++x)
      source.SetPixel(x, y, CreateRGB(uint8_t((x / 10) * 80), uint8_t((y / 12) * 160), uint8_t(x % 2 ? 200 : 30)));
  const TWriteCase cases[] = {
      {8, 3, ioBMP_BM3, ioBMP_UNCOMPRESSED, "RGB"},
      {8, 3, ioBMP_BMOS2V2, ioBMP_UNCOMPRESSED, "RGB"},
      {8, 3, ioBMP_BMOS2V1, ioBMP_UNCOMPRESSED, "RGB"},
      {8, 1, ioBMP_BM3, ioBMP_UNCOMPRESSED, "P"},
      {8, 1, ioBMP_BM3, ioBMP_RLE, "P"},
      {4, 1, ioBMP_BM3, ioBMP_UNCOMPRESSED, "P"},
      {4, 1, ioBMP_BM3, ioBMP_RLE, "P"},
      {4, 1, ioBMP_BMOS2V1, ioBMP_UNCOMPRESSED, "P"},
      {8, 1, ioBMP_BMOS2V1, ioBMP_RLE, "P"},
  };
  for (const TWriteCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.BitsPerSample) + "/" + std::to_string(c.SamplesPerPixel) + " version " +
                 std::to_string(c.Version) + " compression " + std::to_string(c.Compression));
    TIOParamsVals params;
    params.BitsPerSample = c.BitsPerSample;
    params.SamplesPerPixel = c.SamplesPerPixel;
    params.BMP_Version = c.Version;
    params.BMP_Compression = c.Compression;
    params.DpiX = 300;
    params.DpiY = 150;
    const std::string path = kxtest::TempPath(".bmp");
    {
      TFileStream stream(path, fmCreate);
      TProgressRec progress = NullProgress();
      bool aborted = false;
      progress.Aborting = &aborted;
      BMPWriteStream(stream, source, params, progress);
      ASSERT_FALSE(aborted);
    }
    TBitmap magick;
    ASSERT_TRUE(Magick(path, 0, magick));
    EXPECT_TRUE(kxtest::SameBitmap(magick, source));
    const std::string raw = kxtest::TempPath(".rgb");
    const std::string os2Dpi = c.Version == ioBMP_BMOS2V1 ? " 0 0" : " 300 150";
    EXPECT_EQ(PillowReads(path, raw), std::string(c.PillowMode) + " 37 23" + os2Dpi + "\n");
    const std::vector<uint8_t> rgb = kxtest::ReadFile(raw);
    ASSERT_EQ(rgb.size(), size_t(37 * 23 * 3));
    // Pillow reads an odd-length RLE4 literal one nibble short (it takes count div 2 bytes), so
    // the last pixel of our odd-width rows comes out wrong there; ImageMagick above reads it.
    if (c.BitsPerSample == 4 && c.Compression == ioBMP_RLE) continue;
    int64_t differ = 0;
    for (int32_t y = 0; y < 23; ++y)
      for (int32_t x = 0; x < 37; ++x) {
        const TRGB c1 = source.GetPixel(x, y);
        const uint8_t* p = &rgb[size_t(y * 37 + x) * 3];
        differ += p[0] != c1.r || p[1] != c1.g || p[2] != c1.b;
      }
    EXPECT_EQ(differ, 0);
  }
}

TEST_F(BmpOracle, OneBitFilesReadBackWithTheirTwoColours) {
  TBitmap twoColours = kxtest::Filled(19, 7, CreateRGB(255, 0, 0));
  for (int32_t x = 0; x < 19; x += 3) twoColours.SetPixel(x, x % 7, CreateRGB(0, 0, 255));
  TIOParamsVals params;
  params.BitsPerSample = 1;
  params.SamplesPerPixel = 1;
  const std::string path = kxtest::TempPath(".bmp");
  {
    TFileStream stream(path, fmCreate);
    TProgressRec progress = NullProgress();
    BMPWriteStream(stream, twoColours, params, progress);
  }
  ASSERT_EQ(params.ColorMapCount, 2);
  EXPECT_EQ(params.ColorMap[0], CreateRGB(0, 0, 255));  // the darker first
  EXPECT_EQ(params.ColorMap[1], CreateRGB(255, 0, 0));
  TBitmap magick, pillow;
  ASSERT_TRUE(Magick(path, 0, magick));
  ASSERT_TRUE(Pillow(path, 0, pillow));
  EXPECT_TRUE(kxtest::SameBitmap(magick, twoColours));
  EXPECT_TRUE(kxtest::SameBitmap(pillow, twoColours));
  const TLoaded back = Load(path, TKind::bmp);
  EXPECT_TRUE(kxtest::SameBitmap(back.bitmap, twoColours));
}

}  // namespace
