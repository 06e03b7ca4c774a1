// The rules of `kestrix convert` that say what happened: standard input and output, FIFOs,
// converting a file onto itself, the JPEG quality it writes, operations that cannot run,
// reasons and warnings of the reader, `--`, and the upright turn by the EXIF orientation.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;
namespace fs = std::filesystem;

namespace {

const std::string kConvert = "/usr/bin/convert";

std::string Fixture(const std::string& name) { return SourceDir() + "/tests/fixtures/jpeg/" + name; }

// A small 24-bit Netpbm picture.
std::string SamplePpm() {
  const std::string path = TempPath(".ppm");
  WritePPM(path, MakePicture(29, 17, 4));
  return path;
}

std::string Tool() { return Quote(ToolPath()); }

}  // namespace

TEST(KestrixConvert, StandardInputAndOutputAndFifosCarryPictures) {
  const std::string ppm = SamplePpm();
  const std::string viaFile = TempPath(".jpg");
  ASSERT_EQ(RunTool("convert " + Quote(ppm) + " " + Quote(viaFile)).status, 0);

  std::string piped;
  ASSERT_EQ(kxtest::Run("cat " + Quote(ppm) + " | " + Tool() + " convert - - --format jpg", &piped), 0);
  EXPECT_EQ(std::vector<uint8_t>(piped.begin(), piped.end()), ReadFile(viaFile)) << "content decides the input";

  const std::string fifo = TempPath(".fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string fromFifo = TempPath(".jpg");
  ASSERT_EQ(kxtest::Run("(cat " + Quote(ppm) + " > " + Quote(fifo) + " &); " + Tool() + " convert " + Quote(fifo) +
                        " " + Quote(fromFifo)),
            0);
  EXPECT_EQ(ReadFile(fromFifo), ReadFile(viaFile));

  TToolResult r = RunTool("convert " + Quote(ppm) + " -");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("standard output needs --format"), std::string::npos) << r.err;
  r = RunTool("info - < /dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("standard input"), std::string::npos) << r.err;
}

TEST(KestrixConvert, ConvertingAFileOntoItselfKeepsThePicture) {
  const std::string folder = TempDir() + "/self";
  fs::create_directories(folder + "/sub");
  const std::string file = folder + "/pic.ppm";
  WritePPM(file, MakePicture(13, 11, 6));
  const std::vector<uint8_t> original = ReadFile(file);
  fs::create_symlink(file, folder + "/link.ppm");
  for (const std::string& out : {file, folder + "/sub/../pic.ppm", folder + "/link.ppm"}) {
    TToolResult r = RunTool("convert " + Quote(file) + " " + Quote(out) + " --quiet");
    ASSERT_EQ(r.status, 0) << out << ": " << r.err;
    EXPECT_EQ(ReadFile(file), original) << out;
  }
  EXPECT_TRUE(fs::is_symlink(folder + "/link.ppm"));
}

TEST(KestrixConvert, JpegIsWrittenAtQualityNinetyUnlessSet) {
  const std::string ppm = SamplePpm();
  const std::string plain = TempPath(".jpg"), ninety = TempPath(".jpg"), fifty = TempPath(".jpg");
  ASSERT_EQ(RunTool("convert " + Quote(ppm) + " " + Quote(plain)).status, 0);
  ASSERT_EQ(RunTool("convert " + Quote(ppm) + " " + Quote(ninety) + " --set JPEG_Quality=90").status, 0);
  ASSERT_EQ(RunTool("convert " + Quote(ppm) + " " + Quote(fifty) + " --set JPEG_Quality=50").status, 0);
  EXPECT_EQ(ReadFile(plain), ReadFile(ninety));
  EXPECT_NE(ReadFile(plain), ReadFile(fifty));
  EXPECT_NE(RunTool("--help").out.find("quality 90"), std::string::npos);
}

TEST(KestrixConvert, OperationsThatCannotRunAreReportedAndNothingIsWritten) {
  const std::string ppm = SamplePpm();
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"--do Resample 100000 100000 rfNone",
       "kestrix: Resample: 100000 x 100000 pixels is above the limit of 268435456; see --pixel-limit\n"},
      {"--do Resample 0 0 rfTriangle", "kestrix: Resample: 0 x 0 is not a picture size\n"},
      {"--do ImageResize 0 0", "kestrix: ImageResize: 0 x 0 is not a picture size\n"},
      {"--do Rotate 45 true --pixel-limit 600",
       "kestrix: Rotate: the turned picture would be above the pixel limit of 600; see --pixel-limit\n"},
  };
  for (const auto& c : cases) {
    const std::string out = TempPath(".ppm");
    TToolResult r = RunTool("convert " + Quote(ppm) + " " + Quote(out) + " " + c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.message);
    EXPECT_FALSE(fs::exists(out)) << c.args;
  }
}

TEST(KestrixConvert, ColourOperationsRunOnATwentyFourBitCopyOfABilevelPicture) {
  const std::string pbm = TempPath(".pbm"), out = TempPath(".ppm");
  WriteFile(pbm, Bytes("P1\n2 1\n1 0\n"));
  ASSERT_EQ(RunTool("convert " + Quote(pbm) + " " + Quote(out) + " --do Negative").status, 0);
  EXPECT_EQ(ReadFile(out), Bytes("P6\n2 1\n255\n" + std::string("\xFF\xFF\xFF\x00\x00\x00", 6)));
  // Geometry keeps a bilevel picture bilevel.
  const std::string flipped = TempPath(".pbm");
  ASSERT_EQ(RunTool("convert " + Quote(pbm) + " " + Quote(flipped) + " --do Flip fdHorizontal").status, 0);
  EXPECT_EQ(ReadFile(flipped), Bytes("P4\n2 1\n" + std::string("\x40", 1)));
}

TEST(KestrixConvert, ReadersSayWhyAndWarn) {
  const std::string jpeg = Fixture("cjpeg_420.jpg");
  TToolResult r = RunTool("convert " + Quote(jpeg) + " " + Quote(TempPath(".ppm")) + " --pixel-limit 100");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"" + jpeg + "\": "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" pixels is above the limit of 100; see --pixel-limit"), std::string::npos) << r.err;

  const std::vector<uint8_t> whole = ReadFile(jpeg);
  const std::string truncated = TempPath(".jpg");
  WriteFile(truncated, std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() * 2 / 3)));
  r = RunTool("convert " + Quote(truncated) + " " + Quote(TempPath(".ppm")));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("\"" + truncated + "\": warning: Premature end of JPEG file"), std::string::npos) << r.err;

  EXPECT_EQ(RunTool("info " + Quote(jpeg) + " --pixel-limit 0").status, 2);
}

TEST(KestrixConvert, DoubleDashEndsTheOptions) {
  const std::string folder = TempDir() + "/dashes";
  fs::create_directory(folder);
  WritePPM(folder + "/-in.ppm", MakePicture(3, 2, 1));
  TToolResult r;
  r.status = kxtest::Run("cd " + Quote(folder) + " && " + Tool() + " convert --quiet -- -in.ppm -out.ppm");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(folder + "/-out.ppm"), ReadFile(folder + "/-in.ppm"));
  EXPECT_EQ(kxtest::Run("cd " + Quote(folder) + " && " + Tool() + " convert -in.ppm -out.ppm 2>/dev/null"), 2);
}

TEST(KestrixConvert, PhotosAreTurnedUprightByTheirOrientation) {
  if (!Have(kConvert)) GTEST_SKIP() << "needs ImageMagick";
  static const char* const kNames[] = {"",        "TopLeft",  "TopRight",    "BottomRight", "BottomLeft",
                                       "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
  for (int n = 1; n <= 8; ++n) {
    const std::string jpeg = Fixture("pil_orientation_" + std::to_string(n) + ".jpg");
    const std::string stored = TempPath(".ppm"), upright = TempPath(".ppm"), reference = TempPath(".ppm");
    ASSERT_EQ(RunTool("convert " + Quote(jpeg) + " " + Quote(stored) + " --keep-orientation").status, 0);
    ASSERT_EQ(RunTool("convert " + Quote(jpeg) + " " + Quote(upright)).status, 0);
    ASSERT_EQ(kxtest::Run(Quote(kConvert) + " " + Quote(stored) + " -orient " + kNames[n] + " -auto-orient " +
                          Quote(reference)),
              0);
    kx::TBitmap ours, theirs;
    ASSERT_TRUE(ReadNetpbm(upright, ours));
    ASSERT_TRUE(ReadNetpbm(reference, theirs));
    const TDiff d = Compare(ours, theirs);
    EXPECT_TRUE(d.sameSize) << n;
    EXPECT_EQ(d.pixels, 0) << n;
  }
}
