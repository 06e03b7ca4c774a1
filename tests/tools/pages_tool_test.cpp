// `kestrix pages` on multi-picture files: the listing, an appended picture, a deleted one, and
// the refusals that leave the file as it was, for TIFF pages and GIF images alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

// Lines of text that start with `prefix`.
int LinesStartingWith(const std::string& text, const std::string& prefix) {
  int n = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    if (text.compare(at, prefix.size(), prefix) == 0) ++n;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return n;
}

// The colour of picture `index` of `file` at (0, 0), read through the tool.
kx::TRGB FirstPixel(const std::string& file, int index) {
  const std::string ppm = TempPath(".ppm");
  const TToolResult r =
      RunTool("convert " + Quote(file) + " " + Quote(ppm) + " --set TIFF_ImageIndex=" + std::to_string(index) +
              " --set GIF_ImageIndex=" + std::to_string(index) + " --quiet");
  EXPECT_EQ(r.status, 0) << r.err;
  kx::TBitmap picture;
  EXPECT_TRUE(ReadNetpbm(ppm, picture));
  return picture.Empty() ? kx::TRGB{} : picture.GetPixel(0, 0);
}

// A one-picture file of `extension` in a single colour, written by the tool from a PPM.
std::string OneColour(const std::string& extension, kx::TRGB colour, int32_t width = 6, int32_t height = 5) {
  std::vector<uint8_t> ppm = Bytes("P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n");
  for (int32_t i = 0; i < width * height; ++i) ppm.insert(ppm.end(), {colour.r, colour.g, colour.b});
  const std::string in = TempPath(".ppm");
  WriteFile(in, ppm);
  if (extension == ".ppm") return in;
  const std::string out = TempPath(extension);
  EXPECT_EQ(RunTool("convert " + Quote(in) + " " + Quote(out) + " --quiet").status, 0);
  return out;
}

}  // namespace

TEST(KestrixPages, ListsAppendsAndDeletesTiffPagesAndGifImages) {
  const kx::TRGB red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0};
  for (const std::string extension : {".tif", ".gif"}) {
    SCOPED_TRACE(extension);
    const std::string file = OneColour(extension, red);
    const TToolResult added = RunTool("pages " + Quote(file) + " --insert " + Quote(OneColour(".ppm", green, 9, 7)));
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "2 pages\n");
    ASSERT_EQ(RunTool("pages " + Quote(file) + " --insert " + Quote(OneColour(".ppm", blue))).status, 0);

    const TToolResult list = RunTool("pages " + Quote(file));
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(LinesStartingWith(list.out, "0\t6 x 5"), 1) << list.out;
    EXPECT_EQ(LinesStartingWith(list.out, "1\t9 x 7"), 1) << list.out;
    EXPECT_EQ(LinesStartingWith(list.out, "2\t6 x 5"), 1) << list.out;
    EXPECT_EQ(FirstPixel(file, 1), green);

    const TToolResult removed = RunTool("pages " + Quote(file) + " --delete 1");
    ASSERT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(removed.out, "2 pages\n");
    EXPECT_EQ(FirstPixel(file, 0), red);
    EXPECT_EQ(FirstPixel(file, 1), blue);

    // Refusals name the file and leave it byte for byte.
    const std::vector<uint8_t> before = ReadFile(file);
    const TToolResult past = RunTool("pages " + Quote(file) + " --delete 2");
    EXPECT_EQ(past.status, 1);
    EXPECT_NE(past.err.find("has no page 2"), std::string::npos) << past.err;
    const TToolResult missing = RunTool("pages " + Quote(file) + " --insert " + Quote(TempPath(".ppm")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(ReadFile(file), before);
  }
}

TEST(KestrixPages, ASinglePictureFormatOrAUsageErrorIsRefused) {
  const std::string png = OneColour(".png", {1, 2, 3});
  const TToolResult single = RunTool("pages " + Quote(png));
  EXPECT_EQ(single.status, 1);
  EXPECT_NE(single.err.find("not a file of several pictures"), std::string::npos) << single.err;
  EXPECT_EQ(RunTool("pages").status, 2);
  EXPECT_EQ(RunTool("pages " + Quote(png) + " --delete x").status, 2);
  EXPECT_EQ(RunTool("pages " + Quote(png) + " --insert a --delete 0").status, 2);
}
