// The tool on animated GIFs: writing one image, reading image N with --set GIF_ImageIndex=N,
// the image count in `info`, and `animate`.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

const std::string kPython = "/usr/bin/python3";

// Three frames of one colour each, written by Pillow: red, green, blue.
std::string ThreeFrames() {
  const std::string gif = TempPath(".gif"), script = TempPath(".py");
  const std::string text =
      "import sys\nfrom PIL import Image\n"
      "frames = [Image.new('RGB', (5, 4), c) for c in ((255, 0, 0), (0, 255, 0), (0, 0, 255))]\n"
      "frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=30)\n";
  WriteFile(script, Bytes(text));
  EXPECT_EQ(Run(kPython + " " + Quote(script) + " " + Quote(gif)), 0);
  return gif;
}

TEST(KestrixGif, ReadsEachFrameCountsThemAndMakesTheFileLoop) {
  if (!Have(kPython)) GTEST_SKIP() << "needs python3 with Pillow";
  const std::string gif = ThreeFrames();
  const TToolResult info = RunTool("info " + Quote(gif));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("FileType=ioGIF\n"), std::string::npos);
  EXPECT_NE(info.out.find("\nImageCount=3\n"), std::string::npos) << info.out;
  const kx::TRGB colors[] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
  for (int i = 0; i < 3; ++i) {
    const std::string ppm = TempPath(".ppm");
    const TToolResult r =
        RunTool("convert " + Quote(gif) + " " + Quote(ppm) + " --set GIF_ImageIndex=" + std::to_string(i) + " --quiet");
    ASSERT_EQ(r.status, 0) << r.err;
    kx::TBitmap frame;
    ASSERT_TRUE(ReadNetpbm(ppm, frame));
    EXPECT_EQ(frame.GetPixel(4, 3), colors[i]) << i;
  }
  const TToolResult past =
      RunTool("convert " + Quote(gif) + " " + Quote(TempPath(".ppm")) + " --set GIF_ImageIndex=3 --quiet");
  EXPECT_EQ(past.status, 1);
  EXPECT_NE(past.err.find("no image of that number"), std::string::npos) << past.err;

  ASSERT_EQ(RunTool("animate " + Quote(gif) + " 5").status, 0);
  const std::vector<uint8_t> bytes = ReadFile(gif);
  const std::string text(bytes.begin(), bytes.end());
  const size_t at = text.find("NETSCAPE2.0");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.find("NETSCAPE2.0", at + 1), std::string::npos) << "one looping extension";
  EXPECT_EQ(bytes[at + 13], 5);
  EXPECT_EQ(RunTool("animate " + Quote(gif) + " 70000").status, 2);
  EXPECT_EQ(RunTool("info " + Quote(gif)).out.find("ImageCount=3") != std::string::npos, true);
}

TEST(KestrixGif, WritesAndRefuses) {
  const std::string ppm = TempPath(".ppm"), gif = TempPath(".gif"), back = TempPath(".ppm");
  kx::TBitmap picture = kxtest::Filled(7, 3, kx::TRGB{10, 200, 30});
  WritePPM(ppm, picture);
  ASSERT_EQ(RunTool("convert " + Quote(ppm) + " " + Quote(gif) + " --quiet").status, 0);
  ASSERT_EQ(RunTool("convert " + Quote(gif) + " " + Quote(back) + " --quiet").status, 0);
  kx::TBitmap read;
  ASSERT_TRUE(ReadNetpbm(back, read));
  EXPECT_TRUE(SameBitmap(read, picture));
  // A file that is no GIF is refused by animate and left as it was.
  const TToolResult r = RunTool("animate " + Quote(ppm));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a GIF file"), std::string::npos) << r.err;
  kx::TBitmap same;
  ASSERT_TRUE(ReadNetpbm(ppm, same));
  EXPECT_TRUE(SameBitmap(same, picture));
}

}  // namespace
