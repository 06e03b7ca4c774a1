// The Fourier rows of `kestrix convert --do` on PPM files: the spectrum's size and centre, the
// filters' effect on the picture, refusals and usage errors.
#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

class FourierTool : public ::testing::Test {
 protected:
  void SetUp() override {
    source = TempPath(".ppm");
    WritePPM(source, picture);
  }
  TToolResult Convert(const std::string& ops, const std::string& out) {
    return RunTool("convert " + Quote(source) + " " + Quote(out) + " --quiet " + ops);
  }
  kx::TBitmap Do(const std::string& ops) {
    const std::string out = TempPath(".ppm");
    const TToolResult r = Convert(ops, out);
    EXPECT_EQ(r.status, 0) << r.err;
    kx::TBitmap result;
    EXPECT_TRUE(ReadNetpbm(out, result));
    return result;
  }
  const kx::TBitmap picture = MakePicture(37, 21, 9);
  std::string source;
};

}  // namespace

TEST_F(FourierTool, SpectrumIsTheGridWithItsBrightestPixelInTheCentre) {
  for (const std::string type : {"rgb", "gray"}) {
    const kx::TBitmap spectrum = Do("--do FTDisplay " + type);
    ASSERT_EQ(spectrum.Width(), 64);
    ASSERT_EQ(spectrum.Height(), 64);
    EXPECT_EQ(spectrum.GetPixel(32, 32), (kx::TRGB{255, 255, 255})) << type;
  }
}

TEST_F(FourierTool, FiltersWorkOnThePictureItself) {
  // A disc holding every frequency keeps the picture; a zone over the whole grid clears it.
  EXPECT_LE(Compare(Do("--do FTLowPass 100"), picture).maxDelta, 1);
  EXPECT_LE(Compare(Do("--do FTHighPass -1"), picture).maxDelta, 1);
  EXPECT_TRUE(SameBitmap(Do("--do FTClearZone 0 0 63 63"), Filled(37, 21, kx::TRGB{})));
  EXPECT_TRUE(SameBitmap(Do("--do FTHighPass 100"), Filled(37, 21, kx::TRGB{})));
  const kx::TBitmap smooth = Do("--do FTLowPass 4");
  EXPECT_EQ(smooth.Width(), 37);
  EXPECT_GT(Compare(smooth, picture).maxDelta, 1);
}

TEST_F(FourierTool, RefusalsAndUsageErrors) {
  const std::string wide = TempPath(".ppm"), out = TempPath(".ppm");
  WritePPM(wide, Filled(16385, 1, kx::TRGB{1, 2, 3}));
  const TToolResult refused = RunTool("convert " + Quote(wide) + " " + Quote(out) + " --quiet --do FTLowPass 3");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("FTLowPass: 16385 x 1 is above the largest transform side of 16384"), std::string::npos)
      << refused.err;
  for (const std::string ops : {"--do FTDisplay hsv", "--do FTDisplay unknown", "--do FTLowPass wide",
                                "--do FTClearZone 1 2 3", "--do FTHighPass"}) {
    EXPECT_EQ(Convert(ops, out).status, 2) << ops;
  }
}
