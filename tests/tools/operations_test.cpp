// The rows of `kestrix convert --do`, run on PPM files: geometry checked against
// ImageMagick's flips and quarter turns, the library's size rules and the usage errors.
#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

const std::string kConvert = "/usr/bin/convert";

class ToolOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    source = TempPath(".ppm");
    WritePPM(source, MakePicture(37, 21, 9));
  }
  // Runs convert with `ops` and reads the result.
  kx::TBitmap Do(const std::string& ops) {
    const std::string out = TempPath(".ppm");
    const TToolResult r = RunTool("convert " + Quote(source) + " " + Quote(out) + " --quiet " + ops);
    EXPECT_EQ(r.status, 0) << r.err;
    kx::TBitmap result;
    EXPECT_TRUE(ReadNetpbm(out, result));
    return result;
  }
  kx::TBitmap Oracle(const std::string& args) {
    const std::string out = TempPath(".ppm");
    EXPECT_EQ(kxtest::Run(kConvert + " " + Quote(source) + " " + args + " " + Quote(out)), 0);
    kx::TBitmap result;
    EXPECT_TRUE(ReadNetpbm(out, result));
    return result;
  }
  std::string source;
};

}  // namespace

TEST_F(ToolOperations, FlipsAndQuarterTurnsEqualImageMagicks) {
  if (!Have(kConvert)) GTEST_SKIP() << "needs ImageMagick";
  const std::vector<std::pair<std::string, std::string>> cases = {{"--do Flip fdHorizontal", "-flop"},
                                                                  {"--do Flip fdVertical", "-flip"},
                                                                  {"--do Rotate 90 false", "-rotate -90"},
                                                                  {"--do Rotate -90 true", "-rotate 90"},
                                                                  {"--do Rotate 180 false", "-rotate 180"}};
  for (const auto& [ops, magick] : cases) {
    const TDiff d = Compare(Do(ops), Oracle(magick));
    EXPECT_TRUE(d.sameSize) << ops;
    EXPECT_EQ(d.pixels, 0) << ops;
  }
}

TEST_F(ToolOperations, ResizingRowsFollowTheLibrarysSizeRules) {
  const kx::TBitmap half = Do("--do Resample 18 -1 rfLanczos3");
  EXPECT_EQ(half.Width(), 18);
  EXPECT_EQ(half.Height(), 21 * 18 / 37);
  const kx::TBitmap canvas = Do("--do ImageResize 40 30");
  ASSERT_EQ(canvas.Width(), 40);
  ASSERT_EQ(canvas.Height(), 30);
  EXPECT_EQ(canvas.GetPixel(39, 29), kx::TRGB{});  // the tool's background is black
  const kx::TBitmap turned = Do("--do Rotate 30 true --do Resample 50 40 rfNone");
  EXPECT_EQ(turned.Width(), 50);
  EXPECT_EQ(turned.Height(), 40);
}

TEST_F(ToolOperations, BadArgumentsAreUsageErrors) {
  const std::string out = TempPath(".ppm");
  for (const std::string ops : {"--do Resample 10 10 Lanczos", "--do Resample ten 10 rfBell", "--do Flip up",
                                "--do Rotate 30 yes", "--do ImageResize 10", "--do Rotate 9x false"}) {
    const TToolResult r = RunTool("convert " + Quote(source) + " " + Quote(out) + " " + ops);
    EXPECT_EQ(r.status, 2) << ops;
  }
}

TEST_F(ToolOperations, ColourAndFilterRowsReachTheLibrary) {
  const kx::TBitmap picture = MakePicture(37, 21, 9);
  const kx::TBitmap negative = Do("--do Negative");
  const kx::TRGB p = picture.GetPixel(5, 7), n = negative.GetPixel(5, 7);
  EXPECT_EQ(n, kx::CreateRGB(uint8_t(255 - p.r), uint8_t(255 - p.g), uint8_t(255 - p.b)));

  WritePPM(source, [] {
    kx::TBitmap uniform(9, 7, kx::pf24bit);
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 9; ++x) uniform.SetPixel(x, y, kx::CreateRGB(200, 200, 200));
    return uniform;
  }());
  EXPECT_EQ(Do("--do ApplyFilterPreset LowPass1").GetPixel(4, 3), kx::CreateRGB(180, 180, 180));
  EXPECT_EQ(Do("--do ApplyFilter 0 0 0 0 1 0 0 0 0 2").GetPixel(0, 0), kx::CreateRGB(100, 100, 100));
  for (const char* bad : {"--do ApplyFilterPreset Sharpest", "--do ApplyFilter 1 2 3", "--do Contrast x"}) {
    const TToolResult r = RunTool("convert " + Quote(source) + " " + Quote(TempPath(".ppm")) + " " + bad);
    EXPECT_EQ(r.status, 2) << bad;
  }
}
