// quillop --prepare: the same preview as the pipeline driven by hand, its usage and file
// failures with their exit status, and nothing left behind.
#include "app/prepare_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/pipeline.h"
#include "tests/support/test_support.h"

using namespace quillop;
namespace fs = std::filesystem;

namespace {

struct TResult {
  int status;
  std::string out, err;
};

TResult Prepare(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunPrepare(args, out, err);
  return {status, out.str(), err.str()};
}

// A JPEG picture to start from.
std::string Source(int32_t width, int32_t height) {
  const std::string path = kxtest::TempPath(".jpg");
  kx::TKestrix k;
  const kx::TBitmap picture = kxtest::MakePicture(width, height, 11);
  k.Assign(&picture);
  k.SaveToFile(path);
  return path;
}

// Keeps this test's scratch folders apart, so that leftovers can be counted.
struct TTmpDirScope {
  std::string folder = kxtest::TempPath(".tmp");
  TTmpDirScope() {
    fs::create_directory(folder);
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TTmpDirScope() { unsetenv("TMPDIR"); }
  bool Empty() const { return fs::is_empty(folder); }
};

}  // namespace

TEST(PrepareCommand, GivesThePreviewOfTheSameStepsInTheWindow) {
  TTmpDirScope tmp;
  const std::string in = Source(1000, 600);
  const std::string out = kxtest::TempPath(".jpg");
  const TResult r = Prepare({in, out, "--quality", "40", "--rotate", "cw", "--flip", "h", "--sharpen", "--brightness",
                             "-20", "--contrast", "30", "--invert", "--smoothing", "10"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  // The window's way: load, quality and smoothing, prepare, the edits in order, the sliders.
  const std::string folder = kxtest::TempPath(".work");
  fs::create_directory(folder);
  TPreviewFiles previews(folder);
  TPicturePipeline p(previews);
  p.Kestrix_Save.LoadFromFile(in);
  p.SB_JpegCompress.SetValue(40);
  p.SB_JpegSmooth.SetValue(10);
  p.PreProcessImage();
  p.PB_RotateCWClick();
  p.PB_FlipHClick();
  p.PB_SharpenClick();
  p.PB_InvertClick();
  p.SB_Brightness.DragTo(-20);
  p.SB_Brightness.Release();
  p.SB_Contrast.DragTo(30);
  p.SB_Contrast.Release();
  EXPECT_EQ(kxtest::ReadFile(out), p.PreviewBytes());
  EXPECT_EQ(r.out, p.FileSize + "\n");
  EXPECT_EQ(p.Kestrix_Display.Bitmap().Width(), 324);
  EXPECT_TRUE(tmp.Empty()) << "the run's working folder is gone";
}

TEST(PrepareCommand, UsageErrorsExitWithTwoAndTouchNothing) {
  TTmpDirScope tmp;
  const std::string in = Source(60, 40);
  const std::string out = kxtest::TempPath(".jpg");
  kxtest::WriteFile(out, {'o', 'l', 'd'});
  struct TCase {
    std::vector<std::string> args;
    std::string message;
  };
  const TCase cases[] = {
      {{}, "--prepare needs IN and OUT"},
      {{in}, "--prepare needs IN and OUT"},
      {{in, out, "x"}, "--prepare needs IN and OUT"},
      {{in, out, "--quality", "101"}, "--quality needs a whole number from 0 to 100, got \"101\""},
      {{in, out, "--brightness", "2x"}, "--brightness needs a whole number from -100 to 100, got \"2x\""},
      {{in, out, "--contrast"}, "--contrast needs a contrast"},
      {{in, out, "--rotate", "up"}, "--rotate needs cw or ccw, got \"up\""},
      {{in, out, "--flip", "d"}, "--flip needs h or v, got \"d\""},
      {{in, out, "--blur"}, "unknown option \"--blur\""},
  };
  for (const TCase& c : cases) {
    const TResult r = Prepare(c.args);
    EXPECT_EQ(r.status, kExitUsage) << c.message;
    EXPECT_EQ(r.err, "quillop: " + c.message + " (quillop --help lists the usage)\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(kxtest::ReadFile(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_TRUE(tmp.Empty());
}

TEST(PrepareCommand, FileFailuresNameTheFileAndKeepTheOldOutput) {
  TTmpDirScope tmp;
  const std::string out = kxtest::TempPath(".jpg");
  kxtest::WriteFile(out, {'o', 'l', 'd'});
  const std::string text = kxtest::TempPath(".txt");
  kxtest::WriteFile(text, {'h', 'e', 'l', 'l', 'o'});
  const std::string missing = kxtest::TempPath(".jpg");
  struct TCase {
    std::string in, message;
  };
  const TCase cases[] = {
      {missing, "quillop: cannot read \"" + missing + "\": No such file or directory\n"},
      {tmp.folder, "quillop: cannot read \"" + tmp.folder + "\": not a regular file\n"},
      {"/dev/zero", "quillop: cannot read \"/dev/zero\": not a regular file\n"},
      {text, "quillop: cannot read \"" + text + "\": not a picture this program reads\n"},
  };
  for (const TCase& c : cases) {
    const TResult r = Prepare({c.in, out});
    EXPECT_EQ(r.status, kExitFailure) << c.in;
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_EQ(kxtest::ReadFile(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
  const TResult r = Prepare({Source(50, 50), tmp.folder + "/no/such/out.jpg"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("no/such/out.jpg"), std::string::npos) << r.err;
  EXPECT_TRUE(tmp.Empty());
}
