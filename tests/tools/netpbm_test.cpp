// The tool's Netpbm codec through `kestrix convert`: every reading form, the written forms
// byte for byte, files written by ImageMagick, and input it must refuse.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

const std::string kConvert = "/usr/bin/convert";

// Converts `content` saved as `inSuffix` to `outSuffix`; returns the written bytes.
std::vector<uint8_t> Converted(const std::string& content, const std::string& inSuffix, const std::string& outSuffix) {
  const std::string in = TempPath(inSuffix), out = TempPath(outSuffix);
  WriteFile(in, Bytes(content));
  TToolResult r = RunTool("convert " + Quote(in) + " " + Quote(out));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  return ReadFile(out);
}

}  // namespace

TEST(Netpbm, ReadsEveryFormAndWritesTheBinaryOnes) {
  const std::string rgb = "P6\n2 2\n255\n" + std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x0A\x14\x1E", 12);
  const std::string grayRows = "P5\n2 2\n255\n" + std::string("\x00\x80\xFF\x07", 4);
  const std::string grayAsRgb = "P6\n2 2\n255\n" + std::string("\x00\x00\x00\x80\x80\x80\xFF\xFF\xFF\x07\x07\x07", 12);
  const std::string bits = "P4\n3 2\n" + std::string("\xA0\x40", 2);
  const struct {
    const char* what;
    std::string content;
    const char* inSuffix;
    const char* outSuffix;
    std::string expected;
  } cases[] = {
      {"P1", "P1\n3 2\n1 0 1\n0 1 0\n", ".pbm", ".ppm", bits},
      {"P1 digits without blanks", "P1 3 2 101010", ".pbm", ".ppm", bits},
      {"P4 with padding bits set", "P4\n3 2\n" + std::string("\xBF\x5F", 2), ".pbm", ".pbm", bits},
      {"P4 to pgm stays bilevel", bits, ".pbm", ".pgm", bits},
      {"P2", "P2\n2 2\n255\n0 128\n255   7", ".pgm", ".ppm", grayAsRgb},
      {"P5", grayRows, ".pgm", ".ppm", grayAsRgb},
      {"P5 to pgm", grayRows, ".pgm", ".pgm", grayRows},
      {"P3", "P3\n2 2\n255\n255 0 0\t0 255 0\r\n0 0 255 10 20 30\n", ".ppm", ".pnm", rgb},
      {"P6", rgb, ".ppm", ".ppm", rgb},
      {"P6 to pgm: weighted gray", rgb, ".ppm", ".pgm", "P5\n2 2\n255\n" + std::string("\x4C\x96\x1D\x12", 4)},
      {"comments wherever blanks may be", "P2\n# made by hand\n2 #w\n2\n#maxval next\n255\n0 128\n255 7\n", ".pgm",
       ".pgm", grayRows},
      {"maxval 15, rounded to 8 bits", "P2 2 2 15 0 8 15 1", ".pgm", ".pgm",
       "P5\n2 2\n255\n" + std::string("\x00\x88\xFF\x11", 4)},
      {"maxval 65535, two bytes a sample", "P5 2 2 65535\n" + std::string("\x00\x00\x80\x00\xFF\xFF\x07\x07", 8),
       ".pgm", ".pgm", "P5\n2 2\n255\n" + std::string("\x00\x80\xFF\x07", 4)},
      {"maxval 1", "P5 2 1 1\n" + std::string("\x00\x01", 2), ".pgm", ".pgm",
       "P5\n2 1\n255\n" + std::string("\x00\xFF", 2)},
      {"two colours to pbm: the darker black", "P6 2 1 255\n" + std::string("\xC8\x32\x32\x14\x14\x14", 6), ".ppm",
       ".pbm", "P4\n2 1\n" + std::string("\x40", 1)},
  };
  for (const auto& c : cases) EXPECT_EQ(Converted(c.content, c.inSuffix, c.outSuffix), Bytes(c.expected)) << c.what;
}

// Binary rasters move many rows per read and write; a picture of several such batches with a
// short last one must come back byte for byte, gray ones expanded row by row.
TEST(Netpbm, LargeRastersSurviveBatchedRowTransfers) {
  const int width = 301, height = 700;
  std::string rgb(size_t(width) * height * 3, '\0'), gray(size_t(width) * height, '\0');
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = char((i * 7 + i / 903) & 0xFF);
  for (size_t i = 0; i < gray.size(); ++i) gray[i] = char((i * 13 + i / 301) & 0xFF);
  std::string expanded;
  for (char g : gray) expanded.append(3, g);
  const std::string header = std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  EXPECT_EQ(Converted("P6\n" + header + rgb, ".ppm", ".ppm"), Bytes("P6\n" + header + rgb));
  EXPECT_EQ(Converted("P5\n" + header + gray, ".pgm", ".ppm"), Bytes("P6\n" + header + expanded));
  EXPECT_EQ(Converted("P5\n" + header + gray, ".pgm", ".pgm"), Bytes("P5\n" + header + gray));
}

TEST(Netpbm, InfoReportsSizeAndDepth) {
  const struct {
    std::string content;
    const char* suffix;
    const char* lines;
  } cases[] = {
      {"P4\n9 3\n" + std::string(6, '\0'), ".pbm", "BitsPerSample=1\nSamplesPerPixel=1\nWidth=9\nHeight=3\n"},
      {"P2 4 1 255 1 2 3 4", ".pgm", "BitsPerSample=8\nSamplesPerPixel=1\nWidth=4\nHeight=1\n"},
      {"P6 1 2 255 " + std::string(6, 'x'), ".ppm", "BitsPerSample=8\nSamplesPerPixel=3\nWidth=1\nHeight=2\n"},
  };
  for (const auto& c : cases) {
    const std::string path = TempPath(c.suffix);
    WriteFile(path, Bytes(c.content));
    TToolResult r = RunTool("info " + Quote(path));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with(c.lines)) << r.out;
  }
}

TEST(Netpbm, ReadsWhatImageMagickWrites) {
  if (!Have(kConvert)) GTEST_SKIP() << "needs ImageMagick";
  const std::string original = TempPath(".ppm");
  kx::TBitmap picture = MakePicture(37, 23, 5);
  WritePPM(original, picture);
  const struct {
    const char* options;
    const char* suffix;
  } cases[] = {{"-compress none", ".ppm"},           {"-colorspace gray -compress none", ".pgm"},
               {"-colorspace gray", ".pgm"},         {"-depth 16", ".ppm"},
               {"-depth 16 -compress none", ".ppm"}, {"-colorspace gray -depth 4 -compress none", ".pgm"}};
  for (const auto& c : cases) {
    const std::string theirs = TempPath(c.suffix), ours = TempPath(".ppm"), reference = TempPath(".ppm");
    ASSERT_EQ(kxtest::Run(Quote(kConvert) + " " + Quote(original) + " " + c.options + " " + Quote(theirs)), 0);
    ASSERT_EQ(kxtest::Run(Quote(kConvert) + " " + Quote(theirs) + " -depth 8 " + Quote(reference)), 0);
    TToolResult r = RunTool("convert " + Quote(theirs) + " " + Quote(ours));
    ASSERT_EQ(r.status, 0) << c.options << ": " << r.err;
    kx::TBitmap a, b;
    ASSERT_TRUE(ReadNetpbm(ours, a));
    ASSERT_TRUE(ReadNetpbm(reference, b));
    TDiff d = Compare(a, b);
    EXPECT_TRUE(d.sameSize) << c.options;
    EXPECT_EQ(d.pixels, 0) << c.options;
  }
  // A bilevel file written in the text form.
  const std::string plain = TempPath(".pbm"), ours = TempPath(".pbm"), binary = TempPath(".pbm");
  ASSERT_EQ(kxtest::Run(Quote(kConvert) + " " + Quote(original) + " -monochrome -compress none " + Quote(plain)), 0);
  ASSERT_EQ(kxtest::Run(Quote(kConvert) + " " + Quote(plain) + " " + Quote(binary)), 0);
  ASSERT_EQ(RunTool("convert " + Quote(plain) + " " + Quote(ours)).status, 0);
  EXPECT_EQ(ReadFile(ours), ReadFile(binary));
}

TEST(Netpbm, RefusesBadInput) {
  const struct {
    const char* what;
    std::string content;
  } cases[] = {
      {"bad magic", "P7\n1 1\n255\nxyz"},
      {"no blank after the magic", "P61 1 255\nxyz"},
      {"zero width", "P6\n0 2\n255\n"},
      {"negative width", "P6\n-2 2\n255\nxyzxyzxyzxyz"},
      {"maxval 0", "P6\n1 1\n0\nxyz"},
      {"maxval 65536", "P6\n1 1\n65536\nxxyyzz"},
      {"two-byte raster cut short", "P6\n1 1\n65535\nxxyyz"},
      {"raster without its blank", "P6\n1 1\n255xyz"},
      {"short raster", "P6\n2 2\n255\n" + std::string(11, 'x')},
      {"comment that never ends", "P6\n# made by hand"},
      {"comment in the raster", "P3\n1 1\n255\n1 2 # blue next\n3\n"},
      {"sides above the pixel limit", "P6\n100000 100000\n255\nxyz"},
      {"endless digits", "P5\n99999999999999999999999 1\n255\nx"},
      {"sample above 255", "P2\n1 1\n255\n256\n"},
      {"sample not a number", "P2\n2 1\n255\n1 x\n"},
      {"bit neither 0 nor 1", "P1\n2 1\n0 2\n"},
      {"short text raster", "P3\n2 1\n255\n1 2 3 4 5\n"},
      {"empty file", ""},
  };
  for (const auto& c : cases) {
    const std::string in = TempPath(".ppm"), out = TempPath(".ppm");
    WriteFile(in, Bytes(c.content));
    TToolResult r = RunTool("convert " + Quote(in) + " " + Quote(out));
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_NE(r.err.find(in), std::string::npos) << c.what << ": " << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.what;
  }
}
