// The JPEG codec against other programs: files made by cjpeg, ImageMagick and Pillow decode
// exactly as djpeg (or, for CMYK, Pillow) decodes them at every scale and DCT method, and the
// files we write are read by djpeg and Pillow with the expected mode, size, density and
// progressive flag.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

const std::string kDjpeg = "/usr/bin/djpeg";
const std::string kPython = "/usr/bin/python3";

std::string FixturePath(const std::string& name) { return kxtest::SourceDir() + "/tests/fixtures/jpeg/" + name; }

struct TLoaded {
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborted = false;
};

TLoaded Load(const std::string& path, TIOJPEGScale scale = ioJPEG_FULLSIZE, TIOJPEGDctMethod dct = ioJPEG_ISLOW) {
  TLoaded l;
  l.params.JPEG_Scale = scale;
  l.params.JPEG_DCTMethod = dct;
  TFileStream stream(path, fmOpenRead);
  TProgressRec progress;
  progress.Aborting = &l.aborted;
  ReadJPegStream(stream, l.bitmap, l.params, false, progress);
  return l;
}

void Save(const std::string& path, TBitmap& bitmap, const TIOParamsVals& params) {
  TFileStream stream(path, fmCreate);
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  WriteJPegStream(stream, bitmap, params, progress);
  stream.Flush();
  ASSERT_FALSE(aborted);
}

// djpeg's decoding of a file at 1/denominator with the given DCT method.
bool Djpeg(const std::string& path, int denominator, const char* dct, TBitmap& out) {
  std::string pnm = kxtest::TempPath(".pnm");
  std::string cmd = kDjpeg + " -dct " + dct + " -scale 1/" + std::to_string(denominator) + " -pnm -outfile " +
                    kxtest::Quote(pnm) + " " + kxtest::Quote(path);
  return kxtest::Run(cmd) == 0 && kxtest::ReadNetpbm(pnm, out);
}

// The samples stored in a CMYK or YCCK file as C, M, Y, K with 255 meaning no ink, as Pillow
// decodes them (Pillow hands out ink amounts, so they are inverted back).
bool StoredInk(const std::string& path, std::vector<uint8_t>& out) {
  std::string raw = kxtest::TempPath(".cmyk");
  std::string script =
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nassert im.mode == 'CMYK'\n"
      "open(sys.argv[2], 'wb').write(bytes(255 - v for v in im.tobytes()))\n";
  if (kxtest::Run(kPython + " -c " + kxtest::Quote(script) + " " + kxtest::Quote(path) + " " + kxtest::Quote(raw)) != 0)
    return false;
  out = kxtest::ReadFile(raw);
  return true;
}

// What the reader's CMYK conversion must give for stored samples: channel x K div 255.
TBitmap InkToBgr(const std::vector<uint8_t>& ink, int32_t width, int32_t height) {
  TBitmap bmp(width, height, pf24bit);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* s = &ink[(size_t(y) * width + x) * 4];
      bmp.SetPixel(x, y, CreateRGB(uint8_t(s[0] * s[3] / 255), uint8_t(s[1] * s[3] / 255), uint8_t(s[2] * s[3] / 255)));
    }
  return bmp;
}

double MeanAbsDifference(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width() * 3; ++x) sum += std::abs(int(a.ScanLine(y)[x]) - int(b.ScanLine(y)[x]));
  return sum / (double(a.Width()) * a.Height() * 3);
}

class JpegOracle : public testing::Test {
 protected:
  void SetUp() override {
    if (!kxtest::Have(kDjpeg) || !kxtest::Have(kPython)) GTEST_SKIP() << "djpeg or python3 missing";
  }
};

const char* const kColourFixtures[] = {"cjpeg_420.jpg",   "cjpeg_444_restart.jpg", "cjpeg_progressive.jpg",
                                       "cjpeg_rgb.jpg",   "cjpeg_gray.jpg",        "im_422_dpcm.jpg",
                                       "pil_444_dpi.jpg", "pil_progressive.jpg"};

TEST_F(JpegOracle, FixturesDecodeExactlyLikeDjpegAtEveryScaleAndDctMethod) {
  struct TScale {
    TIOJPEGScale scale;
    int denominator;
  } scales[] = {{ioJPEG_FULLSIZE, 1}, {ioJPEG_HALF, 2}, {ioJPEG_QUARTER, 4}, {ioJPEG_EIGHTH, 8}};
  struct TDct {
    TIOJPEGDctMethod method;
    const char* name;
  } dcts[] = {{ioJPEG_ISLOW, "int"}, {ioJPEG_IFAST, "fast"}, {ioJPEG_FLOAT, "float"}};
  for (const char* name : kColourFixtures) {
    for (const TScale& s : scales) {
      for (const TDct& d : dcts) {
        SCOPED_TRACE(std::string(name) + " 1/" + std::to_string(s.denominator) + " " + d.name);
        TBitmap expected;
        ASSERT_TRUE(Djpeg(FixturePath(name), s.denominator, d.name, expected));
        TLoaded got = Load(FixturePath(name), s.scale, d.method);
        ASSERT_FALSE(got.aborted);
        kxtest::TDiff diff = kxtest::Compare(got.bitmap, expected);
        EXPECT_TRUE(diff.sameSize);
        EXPECT_EQ(diff.pixels, 0) << "largest difference " << diff.maxDelta;
      }
    }
  }
}

TEST_F(JpegOracle, FixtureParameters) {
  struct TCase {
    const char* name;
    TIOJPEGColorspace space;
    bool progressive;
    int width, height, dpiX, dpiY;
  } cases[] = {
      {"cjpeg_420.jpg", ioJPEG_YCbCr, false, 97, 61, 1, 1},  // unit 0, aspect 1:1
      {"cjpeg_444_restart.jpg", ioJPEG_YCbCr, false, 97, 61, 1, 1},
      {"cjpeg_progressive.jpg", ioJPEG_YCbCr, true, 97, 61, 1, 1},
      {"cjpeg_rgb.jpg", ioJPEG_RGB, false, 97, 61, 1, 1},
      {"cjpeg_gray.jpg", ioJPEG_GRAYLEV, false, 64, 48, 1, 1},
      {"im_422_dpcm.jpg", ioJPEG_YCbCr, false, 97, 61, 300, 300},  // 118 dots per centimetre
      {"im_ycck.jpg", ioJPEG_YCbCrK, false, 97, 61, 1, 1},
      {"pil_444_dpi.jpg", ioJPEG_YCbCr, false, 97, 61, 300, 150},
      {"pil_progressive.jpg", ioJPEG_YCbCr, true, 97, 61, 72, 72},
      {"pil_cmyk.jpg", ioJPEG_CMYK, false, 97, 61, 1, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TLoaded l = Load(FixturePath(c.name));
    ASSERT_FALSE(l.aborted);
    EXPECT_EQ(l.params.JPEG_ColorSpace, c.space);
    EXPECT_EQ(l.params.JPEG_Progressive, c.progressive);
    EXPECT_EQ(l.params.Width, c.width);
    EXPECT_EQ(l.params.Height, c.height);
    EXPECT_EQ(l.params.DpiX, c.dpiX);
    EXPECT_EQ(l.params.DpiY, c.dpiY);
    EXPECT_EQ(l.params.BitsPerSample, 8);
    EXPECT_EQ(l.params.SamplesPerPixel, 3);
  }
}

TEST_F(JpegOracle, CmykAndYcckFilesFollowTheInkFormula) {
  for (const char* name : {"pil_cmyk.jpg", "im_ycck.jpg"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> ink;
    ASSERT_TRUE(StoredInk(FixturePath(name), ink));
    ASSERT_EQ(ink.size(), size_t(97) * 61 * 4);
    TLoaded got = Load(FixturePath(name));
    ASSERT_FALSE(got.aborted);
    kxtest::TDiff exact = kxtest::Compare(got.bitmap, InkToBgr(ink, 97, 61));
    EXPECT_TRUE(exact.sameSize);
    EXPECT_EQ(exact.pixels, 0) << "largest difference " << exact.maxDelta;
    // djpeg rounds where the reader truncates.
    TBitmap djpeg;
    ASSERT_TRUE(Djpeg(FixturePath(name), 1, "int", djpeg));
    EXPECT_LE(kxtest::Compare(got.bitmap, djpeg).maxDelta, 1);
  }
}

// An RGB-colour-space file stores red, green, blue; read wrongly its red and blue trade places.
TEST_F(JpegOracle, RgbColourSpaceFileShowsTheColoursOfTheYcbcrFile) {
  TBitmap source;
  ASSERT_TRUE(kxtest::ReadNetpbm(FixturePath("source.ppm"), source));
  TLoaded rgb = Load(FixturePath("cjpeg_rgb.jpg"));
  TLoaded ycc = Load(FixturePath("cjpeg_444_restart.jpg"));
  ASSERT_FALSE(rgb.aborted);
  ASSERT_FALSE(ycc.aborted);
  EXPECT_LT(MeanAbsDifference(rgb.bitmap, source), 2.0);
  EXPECT_LT(MeanAbsDifference(rgb.bitmap, ycc.bitmap), 3.0);
  EXPECT_EQ(rgb.bitmap.GetPixel(60, 25), CreateRGB(250, 240, 20)) << "inside the yellow disc";
}

struct TWriteCase {
  const char* label;
  TIOJPEGColorspace space;
  bool progressive = false;
  bool optimal = false;
  TIOJPEGDctMethod dct = ioJPEG_ISLOW;
  int smoothing = 0;
  const char* mode;  // Pillow's mode
  int transform;     // Adobe transform, -1 without an Adobe marker
  bool jfif;         // a JFIF header carries the density
};

TEST_F(JpegOracle, WrittenFilesAreReadByDjpegAndPillow) {
  const TWriteCase cases[] = {
      {"ycbcr", ioJPEG_YCbCr, false, false, ioJPEG_ISLOW, 0, "RGB", -1, true},
      {"ycbcr-progressive", ioJPEG_YCbCr, true, false, ioJPEG_ISLOW, 0, "RGB", -1, true},
      {"ycbcr-optimal-fast", ioJPEG_YCbCr, false, true, ioJPEG_IFAST, 0, "RGB", -1, true},
      {"ycbcr-float-smooth", ioJPEG_YCbCr, false, false, ioJPEG_FLOAT, 30, "RGB", -1, true},
      {"gray", ioJPEG_GRAYLEV, false, false, ioJPEG_ISLOW, 0, "L", -1, true},
      {"gray-progressive", ioJPEG_GRAYLEV, true, true, ioJPEG_ISLOW, 0, "L", -1, true},
      {"rgb", ioJPEG_RGB, false, false, ioJPEG_ISLOW, 0, "RGB", 0, false},
      {"rgb-progressive", ioJPEG_RGB, true, false, ioJPEG_ISLOW, 0, "RGB", 0, false},
      {"unlisted-space", TIOJPEGColorspace(77), false, false, ioJPEG_ISLOW, 0, "RGB", 0, false},
      {"cmyk", ioJPEG_CMYK, false, false, ioJPEG_ISLOW, 0, "CMYK", 0, false},
      {"ycck-progressive", ioJPEG_YCbCrK, true, false, ioJPEG_ISLOW, 0, "CMYK", 2, false},
  };
  TBitmap picture = kxtest::MakePicture(97, 61, 5);
  std::vector<std::string> paths;
  for (const TWriteCase& c : cases) {
    TIOParamsVals params;
    params.JPEG_ColorSpace = c.space;
    params.JPEG_Progressive = c.progressive;
    params.JPEG_OptimalHuffman = c.optimal;
    params.JPEG_DCTMethod = c.dct;
    params.JPEG_Smoothing = c.smoothing;
    params.JPEG_Quality = 92;
    params.DpiX = 300;
    params.DpiY = 150;
    paths.push_back(kxtest::TempPath(std::string("-") + c.label + ".jpg"));
    Save(paths.back(), picture, params);
  }

  std::string script =
      "import sys\nfrom PIL import Image\nfor f in sys.argv[1:]:\n"
      "    im = Image.open(f); im.load(); i = im.info\n"
      "    dpi = '%d,%d' % tuple(round(v) for v in i['dpi']) if 'dpi' in i else 'none'\n"
      "    print(im.mode, im.size[0], im.size[1], dpi, int(i.get('progressive', 0)), i.get('adobe_transform', -1))\n";
  std::string command = kPython + " -c " + kxtest::Quote(script);
  for (const std::string& p : paths) command += " " + kxtest::Quote(p);
  std::string output;
  ASSERT_EQ(kxtest::Run(command, &output), 0);
  std::istringstream lines(output);

  for (size_t i = 0; i < std::size(cases); ++i) {
    const TWriteCase& c = cases[i];
    SCOPED_TRACE(c.label);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    std::string expected = std::string(c.mode) + " 97 61 " + (c.jfif ? "300,150" : "none") + " " +
                           (c.progressive ? "1" : "0") + " " + std::to_string(c.transform);
    EXPECT_EQ(line, expected);

    TLoaded ours = Load(paths[i], ioJPEG_FULLSIZE, c.dct);
    ASSERT_FALSE(ours.aborted);
    TBitmap djpeg;
    ASSERT_TRUE(Djpeg(paths[i], 1, c.dct == ioJPEG_IFAST ? "fast" : c.dct == ioJPEG_FLOAT ? "float" : "int", djpeg));
    if (std::string(c.mode) == "CMYK") {
      std::vector<uint8_t> ink;
      ASSERT_TRUE(StoredInk(paths[i], ink));
      EXPECT_EQ(kxtest::Compare(ours.bitmap, InkToBgr(ink, 97, 61)).pixels, 0);
      EXPECT_LE(kxtest::Compare(ours.bitmap, djpeg).maxDelta, 1);
    } else {
      kxtest::TDiff diff = kxtest::Compare(ours.bitmap, djpeg);
      EXPECT_TRUE(diff.sameSize);
      EXPECT_EQ(diff.pixels, 0);
    }
    if (std::string(c.mode) != "L") {
      EXPECT_LT(MeanAbsDifference(djpeg, picture), 6.0) << "colours as written";
    } else {
      TRGB p = djpeg.GetPixel(40, 30);
      EXPECT_TRUE(p.r == p.g && p.g == p.b);
    }
  }
}

}  // namespace
